#include "forms/Forms.h"
#include "install/DdeClientConv.h"
#include "install/Installation.h"
#include "install/Removal.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {
void Information(Application& app, const std::string& text) {
    app.MessageBox(text, "Information", mb::Ok | mb::IconInformation);
}
}  // namespace

void RegisterProgram(const InstallContext& context, RegistryAccess& registry) {
    Application& app = context.app;
    const std::string& programFolder = context.programFolder;
    const std::string displayName = Ru(product::DisplayNameUtf8);

    std::string transferPath;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        registry.WriteString("", "");
        transferPath = registry.ReadString(product::TransferPathValue);
    }
    const std::string programPath =
        (transferPath.empty() ? programFolder : transferPath) + product::ProgramFile;
    if (!context.files.FileExists(programPath)) {
        // A transfer that never brought the program file: its half copy goes, and
        // from the disc the installation is offered again.
        if (!transferPath.empty()) {
            RemoveUnfinishedTransfer(context.files, registry);
            if (context.files.GetDriveType(ExtractFileDrive(context.process.ProgramPath())) != DriveType::Fixed) {
                TransferToHardDisk(context, registry);
                return;
            }
        }
        app.Terminate();
        return;
    }

    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::AppPathsKey, true);
        registry.WriteString("", programPath);
        // The registered copy's folder, not the running one's: the uninstallation deletes
        // the program file it finds there, and a pending transfer registered from the
        // disc would otherwise send it after the disc's own program file.
        registry.WriteString("Path", ExtractFilePath(programPath));
        registry.OpenKey(product::UninstallKey, true);
        registry.WriteString("DisplayName", displayName);
        // Quoted, so that no "C:\Program.exe" runs in its place.
        registry.WriteString("UninstallString", "\"" + programPath + "\" -u");
    }

    TDdeClientConv& dde = context.dde;
    const std::string createGroup = std::string("[CreateGroup(") + product::Identifier + ")]\r\n";
    dde.OpenLink();
    if (!dde.ExecuteMacro(createGroup)) Information(app, Ru("Невозможно создать программную группу"));
    const std::string addItem = "[AddItem(\"" + programPath + "\"," + displayName + ")]\r\n";
    if (!dde.ExecuteMacro(addItem)) Information(app, Ru("Невозможно добавить ярлык"));
    dde.CloseLink();
    app.ProcessMessages();

    context.restartLaunched = true;
    context.shell.StartHidden(context.owner, programPath, ExtractFilePath(programPath));
    app.Terminate();
}

}  // namespace vel
