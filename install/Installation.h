#pragma once
// The start decision and the installation paths it leads to. Each path ends the run
// itself (the transfer and the registration after relaunching the program); an
// error leaves through the creation handler's error report.

#include <memory>
#include <string>

#include "platform/Types.h"
#include "runtime/RegistryAccess.h"

namespace vel {

class Application;
class FileSystem;
class Process;
class Shell;
class TDdeClientConv;
class TStartingForm;

// What the installation paths work with, handed over by the main window.
struct InstallContext {
    FileSystem& files;
    Shell& shell;
    Process& process;
    // Message boxes, cursor and termination.
    Application& app;
    // The main window, owner of the programs started.
    WindowHandle owner;
    // Set when a relaunched copy takes over the run.
    bool& restartLaunched;
    // The conversation with Program Manager.
    TDdeClientConv& dde;
    // The running program's folder, with its final backslash.
    std::string programFolder;
    // The installer dialog, created here on the transfer and registration paths.
    std::unique_ptr<TStartingForm>& startingForm;
};

// Gathers the facts and follows the decision; true when the ordinary start follows.
bool TakeStartDecision(const InstallContext& context, RegistryAccess& registry);

// Offers to copy the program folder to the hard disk, copies it and starts the copy;
// registers the program where it stands when the user declines.
void TransferToHardDisk(const InstallContext& context, RegistryAccess& registry);
// Records the installed copy, asks Program Manager for its group and item, relaunches
// it. Started from the disc over an unfinished transfer that no run copies any more,
// it removes that instead, and the start is to be decided again.
enum class RegistrationEnd { Done, TransferRemoved };
RegistrationEnd RegisterProgram(const InstallContext& context, RegistryAccess& registry);
// Tells the user that another run copies the program to the hard disk.
void TellCopyUnderWay(Application& app);
// Removes the registry entries, the program group and the files, the last through a script.
void UninstallProgram(const InstallContext& context, RegistryAccess& registry);

}  // namespace vel
