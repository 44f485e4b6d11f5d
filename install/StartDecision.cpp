#include "host/MainFrm.h"
#include "install/DdeClientConv.h"

namespace vel {

std::unique_ptr<TDdeClientConv> CreateDdeClientConv(TMainForm&) { return std::make_unique<TDdeClientConv>(); }

// Every start is an ordinary start until the installation paths exist.
bool TMainForm::TakeStartDecision(RegistryAccess&) { return true; }

}  // namespace vel
