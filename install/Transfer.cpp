#include "forms/Forms.h"
#include "install/FolderHelpers.h"
#include "install/InstallRules.h"
#include "install/Installation.h"
#include "install/Removal.h"
#include "install/StartingFrm.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/Errors.h"
#include "runtime/FileRead.h"
#include "runtime/Folders.h"
#include "runtime/InstallRecord.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

std::int64_t FreeMegabytesFor(FileSystem& files, const std::string& folderField) {
    return FreeMegabytes(files.FreeBytesAvailable(FreeSpaceRoot(folderField)));
}

void EndWithNotice(Application& app, TStartingForm& dialog, const std::string& message) {
    dialog.EnterNoticeState(message);
    dialog.ShowModal();
    app.Terminate();
}

}  // namespace

void TransferToHardDisk(const InstallContext& context, RegistryAccess& registry) {
    Application& app = context.app;
    TStartingForm& dialog = *context.startingForm;
    const std::string& programFolder = context.programFolder;
    const std::string required = IntToStr(kRequiredMegabytes);

    dialog.InstallPicture.SetPicture(ReadWholeFile(context.files, programFolder + "install.bmp"));
    const std::string question = Ru("Перенести файлы программы на жесткий диск?\r\nОни займут примерно ") + required +
                                 Ru(" Мб, но программа сможет работать быстрее");
    const std::string programFilesDir = ReadProgramFilesDir(registry);

    dialog.EnterQuestionState(question);
    if (dialog.ShowModal() != mb::IdYes) {
        dialog.Hide();
        RegisterProgram(context, registry);
        return;
    }

    dialog.EnterFolderState(DefaultProductFolder(programFilesDir));
    if (dialog.ShowModal() != mb::IdOk) {
        EndWithNotice(app, dialog, Ru("Установка не завершена"));
        return;
    }

    // Closing the notice tests again: only a drive with room lets the user on.
    std::int64_t free = FreeMegabytesFor(context.files, dialog.FolderEdit.Text());
    while (free < kRequiredMegabytes) {
        dialog.EnterSpaceState(Ru("На диске всего ") + IntToStr(free) + Ru(" Мб, нужно примерно ") + required + Ru(" Мб"));
        dialog.ShowModal();
        free = FreeMegabytesFor(context.files, dialog.FolderEdit.Text());
    }

    std::string path = Trim(dialog.FolderEdit.Text());
    // Only a closed notice with blanks in the field gets here without a folder.
    if (path.empty()) {
        EndWithNotice(app, dialog, Ru("Установка не завершена"));
        return;
    }
    // Whole and named as the system names it before any rule looks at it: "\Games"
    // and "E:Games" lie on a drive's current folder, a trailing dot goes. The copy,
    // its registration and its uninstallation must find it from any other folder,
    // and its record must name what is on the disk.
    path = IncludeTrailingBackslash(WithNamesAsKept(context.files.FullPathName(path)));
    const int entries = context.files.DirectoryExists(path) ? CountFolderEntries(context.files, JoinPath(path, "*.*")) : 0;
    path = InstallationFolder(path, entries);

    // Listed before anything is made: the shell's copy would follow a link on the
    // disc, and one that leads back above itself would copy without end.
    const FolderListing source = ListFolderTree(context.files, programFolder);
    if (!source.links.empty()) {
        EndWithNotice(app, dialog,
                      Ru("Невозможно перенести файлы программы: ") + programFolder + source.links.front() +
                          Ru(" — ссылка на другую директорию. Установка не завершена"));
        return;
    }

    // Held until this run ends: a start meanwhile leaves the copy under way alone, and
    // so does a run that the user let copy as well (two copies into one folder fail).
    if (context.process.CreateMutex(product::TransferMutex) == MutexResult::AlreadyExists) {
        dialog.Hide();
        TellCopyUnderWay(app);
        app.Terminate();
        return;
    }

    // Only the folders made here are the program's to remove again.
    std::vector<std::string> created;
    for (const std::string& folder : FolderChain(path))
        if (!context.files.DirectoryExists(folder)) created.push_back(folder);
    if (!ForceDirectories(context.files, path)) {
        EndWithNotice(app, dialog, Ru("Невозможно создать директорию ") + path + Ru(". Установка не завершена"));
        return;
    }

    dialog.EnterCopyingState();
    {
        // The next run of either copy registers the copy once it is finished.
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        registry.WriteString("", product::TransferMarker);
        registry.WriteString(product::TransferPathValue, path);
    }
    // Written before the copy starts, so that an interrupted copy is described too;
    // it says the transfer finished only once every file has arrived whole.
    InstallRecord record = TransferRecord(path, created, source.dirs, source.files);
    WriteRecordText(registry, kTransferRecord, FormatRecord(record));

    app.SetCursor(Cursor::HourGlass);
    dialog.Show();
    app.ProcessMessages();

    path = IncludeTrailingBackslash(path);
    const FolderCopy copy = context.shell.CopyFolderContents(dialog.Handle(), programFolder, path);
    if (copy != FolderCopy::Done || !CopiedWhole(context.files, programFolder, path, source.files)) {
        // A program file cut short would be registered and fail to start: the half
        // copy goes with the marker, and the disc can be tried again.
        RemoveUnfinishedTransfer(context.files, registry);
        app.SetCursor(Cursor::Default);
        dialog.Hide();
        EndWithNotice(app, dialog, Ru("Файлы программы скопированы не полностью. Установка не завершена"));
        return;
    }
    record.finished = true;
    WriteRecordText(registry, kTransferRecord, FormatRecord(record));
    const std::string newProgram = JoinPath(path, ExtractFileName(context.process.ProgramPath()));

    dialog.Hide();
    context.restartLaunched = true;
    context.shell.StartHidden(context.owner, newProgram, path);
    app.Terminate();
}

}  // namespace vel
