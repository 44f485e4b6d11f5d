#include "sound/VolumeCommand.h"

#include "runtime/Text.h"
#include "sound/SCFrm.h"
#include "startup/Velvinor.h"

namespace vel {

void SetVolumeCommand(Program&, const std::string&) {}

void SetVolumePercent(Program&, std::uint16_t) {}

std::uint16_t GetVolumePercent(Program& program) {
    if (!program.SoundControlForm) return 0;
    const TrackBar& bar = program.SoundControlForm->GeneralTrackBar;
    if (bar.Max() == 0) return 100;
    return static_cast<std::uint16_t>(RoundHalfEven(static_cast<long double>(bar.Position()) / bar.Max() * 100));
}

}  // namespace vel
