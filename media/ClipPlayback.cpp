#include "host/MainFrm.h"

namespace vel {

void TMainForm::PlayClip(const std::string&) {}

void TMainForm::MediaPlayerNotify(std::uint32_t) {}

}  // namespace vel
