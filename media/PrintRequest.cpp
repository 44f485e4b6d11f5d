#include "host/MainFrm.h"

namespace vel {

void TMainForm::PrintInemClick() {}

}  // namespace vel
