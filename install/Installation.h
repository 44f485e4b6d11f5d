#pragma once
// The installation paths the start decision leads to. Each ends the run itself
// (the transfer and the registration after relaunching the program); an error
// leaves through the creation handler's error report.

#include "runtime/RegistryAccess.h"

namespace vel {

class TMainForm;

// Offers to copy the program folder to the hard disk, copies it and starts the copy;
// registers the program where it stands when the user declines.
void TransferToHardDisk(TMainForm& form, RegistryAccess& registry);
// Records the installed copy, asks Program Manager for its group and item, relaunches it.
void RegisterProgram(TMainForm& form, RegistryAccess& registry);
// Removes the registry entries, the program group and the files, the last through a script.
void UninstallProgram(TMainForm& form, RegistryAccess& registry);

// Closes the registry access object's key however the block is left.
struct CloseKeyOnExit {
    RegistryAccess& registry;
    ~CloseKeyOnExit() { registry.CloseKey(); }
};

}  // namespace vel
