#include "forms/Forms.h"
#include "install/DdeClientConv.h"
#include "install/FolderHelpers.h"
#include "install/InstallRules.h"
#include "install/Installation.h"
#include "platform/Process.h"
#include "runtime/Errors.h"
#include "runtime/Folders.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

// Besides "." and "..", nothing or the product folder alone; a missing folder holds nothing.
bool HoldsOnlyProductFolder(FileSystem& files, const std::string& folder, const std::string& productFolder) {
    std::vector<FindEntry> others;
    for (const FindEntry& e : files.Find(JoinPath(folder, "*.*")))
        if (e.name != "." && e.name != "..") others.push_back(e);
    if (others.empty()) return true;
    return others.size() == 1 && (others[0].attributes & attr::Directory) &&
           SameTextAscii(JoinPath(folder, others[0].name), productFolder);
}

bool IsLink(FileSystem& files, const std::string& folder) {
    std::vector<FindEntry> found = files.Find(ExcludeTrailingBackslash(folder));
    return found.size() == 1 && (found[0].attributes & attr::ReparsePoint);
}

void RemoveRegistryEntries(RegistryAccess& registry) {
    registry.DeleteKey(product::ProductKey);
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::MakerKey, false);
        // Another product of the maker keeps the maker key.
        if (!registry.HasSubKeys()) registry.DeleteKey(product::MakerKey);
    }
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
    const std::string makerFolder = MakerFolder(programFilesDir);
    const std::string productFolder = DefaultProductFolder(programFilesDir);
    std::string transferFolder;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        transferFolder = registry.ReadString("TransferPath");
    }
    const std::string parentFolder = ParentFolder(transferFolder);

    if (app.MessageBox(UninstallConfirmation(transferFolder, productFolder, files.DirectoryExists(productFolder)),
                       Ru("Удаление программы Вельвинор"), mb::YesNo) != mb::IdYes) {
        app.Terminate();
        return;
    }

    RemoveRegistryEntries(registry);
    RemoveProgramGroup(app, context.dde);
    app.MessageBox(Ru("Приложение Вельвинор удалено"), app.Title(), mb::Ok);

    const std::vector<std::string> systemFolders = files.SystemFolders();
    auto safe = [&](const std::string& folder) {
        return !folder.empty() &&
               FolderMayBeRemoved({folder, makerFolder, programFilesDir, systemFolders, IsLink(files, folder)});
    };
    UninstallFileFacts facts;
    facts.programFile = registeredFolder + product::ProgramFile;
    facts.transferFolder = transferFolder;
    facts.parentFolder = parentFolder;
    facts.makerFolder = makerFolder;
    facts.productFolder = productFolder;
    facts.makerExists = files.DirectoryExists(makerFolder);
    facts.productExists = files.DirectoryExists(productFolder);
    facts.transferExists = !transferFolder.empty() && files.DirectoryExists(transferFolder);
    facts.parentExists = !parentFolder.empty() && files.DirectoryExists(parentFolder);
    facts.makerHoldsOnlyProduct = HoldsOnlyProductFolder(files, makerFolder, productFolder);
    facts.parentHoldsOnlyProduct = !parentFolder.empty() && HoldsOnlyProductFolder(files, parentFolder, productFolder);
    facts.makerSafe = safe(makerFolder);
    facts.productSafe = safe(productFolder);
    facts.transferSafe = safe(transferFolder);
    facts.parentSafe = safe(parentFolder);

    const UninstallFilePlan plan = PlanUninstallFiles(facts);
    for (const FolderStep& step : plan.steps) {
        EmptyFolder(files, step.folder);
        if (step.remove) files.RemoveDirectory(step.folder);
    }
    std::string scriptPath;
    if (plan.writeScript) {
        int attempt = 1;
        do scriptPath = UninstallScriptPath(files.TempFolder(), attempt++);
        while (files.FileExists(scriptPath) || files.DirectoryExists(scriptPath));
        // cmd reads a batch file in the console's code page, not in the program's.
        const std::optional<std::string> script = UninstallScript(
            facts.programFile, plan.scriptFolder, plan.scriptParent, scriptPath, context.process.OemCodePage());
        // A path the console's code page cannot name is left on the disk.
        if (!script) scriptPath.clear();
        else if (!files.WriteFile(scriptPath, *script))
            throw Error("Cannot create file \"" + scriptPath + "\"");
    }

    files.SetCurrentDirectory("c:\\");
    if (!scriptPath.empty()) context.shell.Execute(0, "Open", scriptPath, "", "", showcmd::Hide);
    app.Terminate();
}

}  // namespace vel
