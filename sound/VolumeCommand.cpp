#include "sound/VolumeCommand.h"

#include <algorithm>

#include "runtime/Text.h"
#include "sound/SCFrm.h"
#include "startup/Velvinor.h"

namespace vel {

void SetVolumeCommand(Program& program, const std::string& args) {
    const std::int32_t n = StrToIntDef(args, 10);
    // Percent times 100 in wrapping 32-bit arithmetic, back to a whole percent.
    const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) * 100u);
    const std::int64_t r = RoundHalfEven(static_cast<long double>(v) / 100);
    // The low 16 bits, unsigned: -5 arrives as 65,531 and so means full volume.
    SetVolumePercent(program, static_cast<std::uint16_t>(r));
}

void SetVolumePercent(Program& program, std::uint16_t percent) {
    if (!program.SoundControlForm) return;
    TSoundControlForm& form = *program.SoundControlForm;
    TrackBar& bar = form.GeneralTrackBar;
    if (percent > 100) percent = 100;
    const std::int64_t pos = RoundHalfEven(static_cast<long double>(percent) / 100 * bar.Max());
    bar.SetPosition(static_cast<int>(std::clamp<std::int64_t>(pos, 0, bar.Max())));
    // Written even when the position did not move, so a repeated command still
    // reaches the mixer.
    form.GeneralTrackBarChange(bar);
}

std::uint16_t GetVolumePercent(Program& program) {
    if (!program.SoundControlForm) return 0;
    const TrackBar& bar = program.SoundControlForm->GeneralTrackBar;
    if (bar.Max() == 0) return 100;
    return static_cast<std::uint16_t>(RoundHalfEven(static_cast<long double>(bar.Position()) / bar.Max() * 100));
}

}  // namespace vel
