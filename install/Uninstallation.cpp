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

void RemoveProgramGroup(Application& app, TDdeClientConv& dde) {
    const std::string id = product::Identifier;
    dde.OpenLink();
    dde.RequestData(id);
    dde.ExecuteMacro("[DeleteItem(" + Ru(product::RemovalItemUtf8) + ")]\r\n");
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

// Files as a message lists them: the first ten, one a line.
std::string FileList(const std::vector<std::string>& files) {
    std::string text;
    for (std::size_t i = 0; i < files.size() && i < 10; ++i) text += files[i] + "\r\n";
    if (files.size() > 10) text += Ru("и еще ") + IntToStr(static_cast<std::int64_t>(files.size() - 10)) + "\r\n";
    return text;
}

// Keeps the installation after the script has started: the script then only deletes itself.
void StopScript(FileSystem& files, const ScriptFiles& script) {
    if (!files.WriteFile(script.stop, "")) files.DeleteFile(script.script);
}

}  // namespace

void UninstallProgram(const InstallContext& context, RegistryAccess& registry) {
    Application& app = context.app;
    FileSystem& files = context.files;
    const std::string title = app.Title();
    auto end = [&](const std::string& message) {
        app.MessageBox(message, title, mb::Ok);
        app.Terminate();
    };

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
    // promises only what this plan deletes. Where a running program can delete its
    // own file, it does so itself: nothing is left to a script.
    const RemovalPlan plan =
        PlanRemovalOnDisk(files, RecordsToRemove(registry, files, folders),
                          context.process.RunningProgramDeletable() ? std::string() : context.process.ProgramPath());
    const std::string question =
        UninstallConfirmation(folders.transferFolder, folders.productFolder, PlanTouches(plan, folders.productFolder),
                              !folders.transferFolder.empty() && PlanTouches(plan, folders.transferFolder));
    if (app.MessageBox(question, Ru("Удаление программы Вельвинор"), mb::YesNo) != mb::IdYes) {
        app.Terminate();
        return;
    }

    // Whatever goes wrong before the registry entries go keeps them, and with them
    // the way to run the uninstallation again: they go last.
    std::optional<ScriptFiles> script;
    if (!plan.scriptProgramFile.empty()) {
        script = WriteRemovalScript(files, plan, context.process.OemCodePage());
        if (!script) {
            end(Ru("Приложение Вельвинор не удалено: не удалось подготовить удаление файла программы ") +
                plan.scriptProgramFile + Ru(". Ничего не изменено."));
            return;
        }
    }

    CarryOut(files, plan);
    const std::vector<std::string> left = FilesLeft(files, plan);
    if (!left.empty()) {
        if (script) files.DeleteFile(script->script);
        end(Ru("Приложение Вельвинор удалено не полностью. Не удалось удалить файлы:\r\n") + FileList(left) +
            Ru("Закройте программы, которые могут их использовать, и повторите удаление."));
        return;
    }

    // Started now, the script waits as long as this program runs. It runs in "c:\" ("/"),
    // not in a folder it is to remove: a process's current folder cannot be removed.
    files.SetCurrentDirectory(CurrentPathStyle() == PathStyle::Posix ? "/" : "c:\\");
    if (script && !context.shell.StartHidden(0, script->script, "").started) {
        files.DeleteFile(script->script);
        end(Ru("Приложение Вельвинор удалено не полностью: не удалось запустить удаление файла программы ") +
            plan.scriptProgramFile + Ru(". Повторите удаление."));
        return;
    }

    // The App Paths key first: refused, nothing else has changed yet.
    registry.DeleteKey(product::AppPathsKey);
    if (registry.KeyExists(product::AppPathsKey)) {
        if (script) StopScript(files, *script);
        end(Ru("Приложение Вельвинор удалено не полностью: не удалось удалить его записи в реестре. Повторите "
               "удаление от имени администратора."));
        return;
    }
    std::vector<std::string> keysLeft;
    registry.DeleteKey(product::UninstallKey);
    if (registry.KeyExists(product::UninstallKey)) keysLeft.push_back(std::string("HKLM") + product::UninstallKey);
    if (!RemoveProductKey(registry)) keysLeft.push_back(std::string("HKLM") + product::ProductKey);
    RemoveProgramGroup(app, context.dde);

    if (!keysLeft.empty()) {
        end(Ru("Файлы приложения Вельвинор удалены, но не удалось удалить его записи в реестре:\r\n") +
            FileList(keysLeft));
        return;
    }
    end(Ru("Приложение Вельвинор удалено"));
}

}  // namespace vel
