#include "sound/VolumeCommand.h"

#include <algorithm>

#include "runtime/Text.h"
#include "sound/MasterVolume.h"

namespace vel {

void SetVolumeCommand(MasterVolume* volume, const std::string& args) {
    const std::int32_t n = StrToIntDef(args, 10);
    // Percent times 100 in wrapping 32-bit arithmetic, back to a whole percent.
    const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) * 100u);
    const std::int64_t r = RoundHalfEven(static_cast<long double>(v) / 100);
    // The low 16 bits, unsigned: -5 arrives as 65,531 and so means full volume.
    SetVolumePercent(volume, static_cast<std::uint16_t>(r));
}

void SetVolumePercent(MasterVolume* volume, std::uint16_t percent) {
    if (!volume) return;
    const int max = volume->MasterMax();
    if (percent > 100) percent = 100;
    const std::int64_t pos = RoundHalfEven(static_cast<long double>(percent) / 100 * max);
    // Written even when the position did not move, so a repeated command still
    // reaches the mixer.
    volume->SetMasterPosition(static_cast<int>(std::clamp<std::int64_t>(pos, 0, max)));
}

std::uint16_t GetVolumePercent(const MasterVolume* volume) {
    if (!volume) return 0;
    const int max = volume->MasterMax();
    if (max == 0) return 100;
    return static_cast<std::uint16_t>(RoundHalfEven(static_cast<long double>(volume->MasterPosition()) / max * 100));
}

}  // namespace vel
