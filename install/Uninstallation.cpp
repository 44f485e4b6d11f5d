#include "forms/Forms.h"
#include "install/DdeClientConv.h"
#include "install/FolderHelpers.h"
#include "install/InstallRules.h"
#include "install/Installation.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/Errors.h"
#include "runtime/Folders.h"
#include "runtime/InstallRecord.h"
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

    std::string registeredFolder;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::AppPathsKey, false);
        registeredFolder = registry.ReadString("Path");
    }
    const std::string programFilesDir = ReadProgramFilesDir(registry);
    const std::string productFolder = DefaultProductFolder(programFilesDir);
    std::string transferFolder;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        transferFolder = registry.ReadString("TransferPath");
    }
    // What the program made; an installation from before the record was kept gives
    // up only its registered program file.
    const std::string transferText = ReadRecordText(registry, kTransferRecord);
    const std::vector<InstallRecord> records = {
        transferText.empty() ? RecordWithoutList(registeredFolder, transferFolder) : ParseRecord(transferText),
        ParseRecord(ReadRecordText(registry, kClipRecord))};

    if (app.MessageBox(UninstallConfirmation(transferFolder, productFolder, files.DirectoryExists(productFolder)),
                       Ru("Удаление программы Вельвинор"), mb::YesNo) != mb::IdYes) {
        app.Terminate();
        return;
    }

    RemoveRegistryEntries(registry);
    RemoveProgramGroup(app, context.dde);
    app.MessageBox(Ru("Приложение Вельвинор удалено"), app.Title(), mb::Ok);

    const RemovalPlan plan = PlanRemoval(records, LinkFolders(files, FoldersToInspect(records)), product::ProgramFile);
    CarryOut(files, plan);
    std::string scriptPath;
    if (!plan.scriptProgramFile.empty()) {
        int attempt = 1;
        do scriptPath = UninstallScriptPath(files.TempFolder(), attempt++);
        while (files.FileExists(scriptPath) || files.DirectoryExists(scriptPath));
        // cmd reads a batch file in the console's code page, not in the program's.
        const std::optional<std::string> script = RemovalScript(plan.scriptProgramFile, plan.scriptFolders, scriptPath,
                                                                context.process.OemCodePage());
        // A path the console's code page cannot name is left on the disk.
        if (!script) scriptPath.clear();
        else if (!files.WriteFile(scriptPath, *script))
            throw Error("Cannot create file \"" + scriptPath + "\"");
    }

    files.SetCurrentDirectory("c:\\");
    if (!scriptPath.empty()) context.shell.StartHidden(0, scriptPath, "");
    app.Terminate();
}

}  // namespace vel
