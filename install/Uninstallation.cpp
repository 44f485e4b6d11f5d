#include "forms/Forms.h"
#include "install/DdeClientConv.h"
#include "install/InstallRules.h"
#include "install/Installation.h"
#include "install/Removal.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/Folders.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

void RemoveRegistryEntries(RegistryAccess& registry) {
    RemoveProductKey(registry);
    registry.DeleteKey(product::AppPathsKey);
    registry.DeleteKey(product::UninstallKey);
}

void RemoveProgramGroup(Application& app, TDdeClientConv& dde) {
    const std::string id = product::Identifier;
    dde.OpenLink();
    dde.RequestData(id);
    dde.ExecuteMacro("[DeleteItem(" + Ru("Удалить программу Вельвинор") + ")]\r\n");
    dde.ExecuteMacro("[DeleteItem(" + Ru(product::DisplayNameUtf8) + ")]\r\n");
    // The request after the executes sees their effect: one conversation's transactions
    // reach the server in the order they were issued, each after the server's
    // callback has returned from the one before, and Program Manager carries out
    // an execute inside its callback (servers are told to, clients wait for that).
    // One line left is the group's own: no items remain in it.
    if (SplitLines(dde.RequestData(id).value_or(std::string())).size() == 1)
        dde.ExecuteMacro("[DeleteGroup(" + id + ")]\r\n");
    app.ProcessMessages();
    dde.CloseLink();
}

}  // namespace

void UninstallProgram(const InstallContext& context, RegistryAccess& registry) {
    Application& app = context.app;
    FileSystem& files = context.files;

    InstallationFolders folders;
    folders.programFilesDir = ReadProgramFilesDir(registry);
    folders.makerFolder = MakerFolder(folders.programFilesDir);
    folders.productFolder = DefaultProductFolder(folders.programFilesDir);
    folders.systemFolders = files.SystemFolders();
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        folders.transferFolder = registry.ReadString(product::TransferPathValue);
    }
    // What the program made, read before the registry entries go; the question
    // promises only what this plan deletes.
    const RemovalPlan plan = PlanRemovalOnDisk(files, RecordsToRemove(registry, files, folders),
                                               context.process.ProgramPath());
    const std::string question =
        UninstallConfirmation(folders.transferFolder, folders.productFolder, PlanTouches(plan, folders.productFolder),
                              !folders.transferFolder.empty() && PlanTouches(plan, folders.transferFolder));
    if (app.MessageBox(question, Ru("Удаление программы Вельвинор"), mb::YesNo) != mb::IdYes) {
        app.Terminate();
        return;
    }

    RemoveRegistryEntries(registry);
    RemoveProgramGroup(app, context.dde);
    app.MessageBox(Ru("Приложение Вельвинор удалено"), app.Title(), mb::Ok);

    CarryOut(files, plan);
    const std::string scriptPath = WriteRemovalScript(files, plan, context.process.OemCodePage());

    files.SetCurrentDirectory("c:\\");
    if (!scriptPath.empty()) context.shell.StartHidden(0, scriptPath, "");
    app.Terminate();
}

}  // namespace vel
