#include "host/MainFrm.h"

namespace vel {

void TMainForm::OpenDocument(const std::string&) {}

}  // namespace vel
