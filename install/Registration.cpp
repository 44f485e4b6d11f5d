#include "host/MainFrm.h"
#include "host/Product.h"
#include "install/DdeClientConv.h"
#include "install/Installation.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

namespace {
void Information(Application& app, const std::string& text) {
    app.MessageBox(text, "Information", mb::Ok | mb::IconInformation);
}
}  // namespace

void RegisterProgram(TMainForm& form, RegistryAccess& registry) {
    Platform& p = form.program.platform;
    Application& app = form.program.app;
    const std::string programFolder = form.ProgramFolder();
    const std::string displayName = Ru(product::DisplayNameUtf8);

    std::string transferPath;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        registry.WriteString("", "");
        transferPath = registry.ReadString("TransferPath");
    }
    const std::string programPath =
        (transferPath.empty() ? programFolder : transferPath) + product::Identifier + ".exe";
    if (!p.files.FileExists(programPath)) {
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
        registry.WriteString("UninstallString", programPath + " -u");
    }

    TDdeClientConv& dde = *form.DdeClientConv1;
    const std::string createGroup = std::string("[CreateGroup(") + product::Identifier + ")]\r\n";
    dde.OpenLink();
    if (!dde.ExecuteMacro(createGroup)) Information(app, Ru("Невозможно создать программную группу"));
    const std::string addItem = "[AddItem(\"" + programPath + "\"," + displayName + ")]\r\n";
    if (!dde.ExecuteMacro(addItem)) Information(app, Ru("Невозможно добавить ярлык"));
    dde.CloseLink();
    app.ProcessMessages();

    form.RestartLaunched = true;
    p.shell.Execute(form.Handle(), "open", programPath, "", ExtractFilePath(programPath), showcmd::Hide);
    app.Terminate();
}

}  // namespace vel
