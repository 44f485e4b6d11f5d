#include <algorithm>

#include "forms/Forms.h"
#include "install/DdeClientConv.h"
#include "install/FolderHelpers.h"
#include "install/InstallRules.h"
#include "install/Installation.h"
#include "install/Removal.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/Errors.h"
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

bool ReadOnly(FileSystem& files, const std::string& file) {
    const std::vector<FindEntry> found = files.Find(file);
    return found.size() == 1 && (found[0].attributes & attr::ReadOnly);
}

// The files left, each with what keeps it and what the user can do about that.
std::string LeftMessage(FileSystem& files, const std::vector<std::string>& left) {
    std::vector<std::string> readOnly, inUse;
    for (const std::string& file : left) (ReadOnly(files, file) ? readOnly : inUse).push_back(file);
    std::string text = Ru("Приложение Вельвинор удалено не полностью.");
    if (!inUse.empty())
        text += Ru("\r\nНе удалось удалить файлы, открытые другими программами:\r\n") + FileList(inUse) +
                Ru("Закройте программы, которые могут их использовать, и повторите удаление.");
    if (!readOnly.empty())
        text += Ru("\r\nНе удалось удалить файлы, доступные только для чтения:\r\n") + FileList(readOnly) +
                Ru("Снимите с них атрибут \"Только чтение\" и повторите удаление.");
    return text;
}

// A key's string values, to be written back should a later key refuse to go.
struct SavedKey {
    std::string path;
    bool existed = false;
    std::vector<std::pair<std::string, std::string>> values;
};

SavedKey SaveKey(RegistryAccess& registry, const std::string& path) {
    SavedKey saved{path, false, {}};
    CloseKeyOnExit closer{registry};
    if (!registry.KeyExists(path) || !registry.OpenKey(path, false)) return saved;
    saved.existed = true;
    for (const std::string& name : registry.GetValueNames()) {
        try {
            saved.values.emplace_back(name, registry.ReadString(name));
        } catch (const Error&) {
            // Not a string: the program wrote none such, and needs none back.
        }
    }
    return saved;
}

void RestoreKey(RegistryAccess& registry, const SavedKey& saved) {
    if (!saved.existed || registry.KeyExists(saved.path)) return;
    CloseKeyOnExit closer{registry};
    if (!registry.OpenKey(saved.path, true)) return;
    for (const auto& [name, value] : saved.values) {
        try {
            registry.WriteString(name, value);
        } catch (const Error&) {
            return;
        }
    }
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
    // Named as the system keeps it ("C:\Games.\Velvinor\" is "C:\Games\Velvinor\"): an
    // older transfer stored the path as typed.
    if (!folders.transferFolder.empty())
        folders.transferFolder =
            IncludeTrailingBackslash(WithNamesAsKept(files.FullPathName(folders.transferFolder)));
    // What the program made, read before the registry entries go; the question
    // promises only what this plan deletes. Where a running program can delete its
    // own file, it does so itself: nothing is left to a script.
    const RemovalPlan plan = PlanRemovalOnDisk(
        files, RecordsToRemove(registry, files, folders),
        context.process.RunningProgramDeletable() ? std::string()
                                                  : WithNamesAsKept(files.FullPathName(context.process.ProgramPath())));
    // A copied program file that the plan leaves (no record names it, or it lies
    // behind a link): the removal cannot finish, so it does not begin, and the
    // entries that run it stay.
    const std::string copiedProgram =
        folders.transferFolder.empty() ? std::string() : folders.transferFolder + product::ProgramFileName();
    if (!copiedProgram.empty() && files.FileExists(copiedProgram) &&
        std::none_of(plan.deleteFiles.begin(), plan.deleteFiles.end(),
                     [&](const std::string& f) { return PathKey(f) == PathKey(copiedProgram); })) {
        end(Ru("Приложение Вельвинор не удалено: неизвестно, какие файлы в директории ") + folders.transferFolder +
            Ru(" установлены программой. Ничего не изменено."));
        return;
    }

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
    std::vector<std::string> left = FilesLeft(files, plan);
    // Read-only, or held open without delete sharing, the program file would outlast
    // every try of the script.
    if (!plan.scriptProgramFile.empty() &&
        (ReadOnly(files, plan.scriptProgramFile) || files.HeldAgainstDeletion(plan.scriptProgramFile)))
        left.push_back(plan.scriptProgramFile);
    if (!left.empty()) {
        if (script) files.DeleteFile(script->script);
        end(LeftMessage(files, left));
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

    // The entries go all or none: one refused brings back those deleted before it,
    // so that the removal can be run again from where it was, its program file with it.
    const std::vector<SavedKey> saved = {SaveKey(registry, product::AppPathsKey),
                                         SaveKey(registry, product::UninstallKey),
                                         SaveKey(registry, product::RecordKey)};
    std::string refused;
    registry.DeleteKey(product::AppPathsKey);
    if (registry.KeyExists(product::AppPathsKey)) {
        refused = product::AppPathsKey;
    } else {
        registry.DeleteKey(product::UninstallKey);
        if (registry.KeyExists(product::UninstallKey)) refused = product::UninstallKey;
        else if (!RemoveProductKey(registry)) refused = product::ProductKey;
    }
    if (!refused.empty()) {
        for (const SavedKey& key : saved) RestoreKey(registry, key);
        if (script) StopScript(files, *script);
        end(Ru("Приложение Вельвинор удалено не полностью: не удалось удалить его запись в реестре HKLM") + refused +
            Ru(". Повторите удаление от имени администратора."));
        return;
    }
    RemoveProgramGroup(app, context.dde);

    end(Ru("Приложение Вельвинор удалено"));
}

}  // namespace vel
