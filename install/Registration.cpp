#include "forms/Forms.h"
#include "install/DdeClientConv.h"
#include "install/Installation.h"
#include "install/Removal.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/InstallRecord.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {
void Information(Application& app, const std::string& text) {
    app.MessageBox(text, "Information", mb::Ok | mb::IconInformation);
}
}  // namespace

namespace {

// A transfer pending whose record says it never finished: the run that copied was
// stopped (or still copies). An installation from before the finished mark, or
// without a record, is taken as it is.
bool UnfinishedTransferPending(RegistryAccess& registry) {
    std::string marker, transferPath;
    {
        CloseKeyOnExit closer{registry};
        if (!registry.KeyExists(product::ProductKey) || !registry.OpenKey(product::ProductKey, false)) return false;
        marker = registry.ReadString("");
        transferPath = registry.ReadString(product::TransferPathValue);
    }
    const InstallRecord record = ParseRecord(ReadRecordText(registry, kTransferRecord));
    return marker == product::TransferMarker && !transferPath.empty() && !record.root.empty() && !record.finished;
}

}  // namespace

void TellCopyUnderWay(Application& app) {
    app.MessageBox(Ru("Программа Вельвинор сейчас копируется на жесткий диск. Дождитесь окончания копирования."),
                   app.Title(), mb::Ok);
}

RegistrationEnd RegisterProgram(const InstallContext& context, RegistryAccess& registry) {
    Application& app = context.app;
    const std::string& programFolder = context.programFolder;
    const std::string displayName = Ru(product::DisplayNameUtf8);

    if (UnfinishedTransferPending(registry)) {
        // Another run still copies: its copy is left to it.
        if (context.process.OpenMutex(product::TransferMutex)) {
            TellCopyUnderWay(app);
        } else if (context.files.GetDriveType(ExtractFileDrive(context.process.ProgramPath())) == DriveType::Fixed) {
            // Started from the half copy itself: the disc cleans it up and installs anew.
            app.MessageBox(Ru("Установка программы Вельвинор не была завершена. Чтобы установить программу, "
                              "запустите ее с диска."),
                           app.Title(), mb::Ok);
        } else {
            // From the disc: the half copy goes, and the start is decided afresh; a key
            // that stays would bring the same decision again, so the start ends instead.
            if (RemoveUnfinishedTransfer(context.files, registry)) return RegistrationEnd::TransferRemoved;
            app.MessageBox(Ru("Не удалось удалить незавершенную установку программы Вельвинор. Запустите "
                              "программу с диска от имени администратора: она удалит незавершенную установку и "
                              "предложит установить программу заново."),
                           app.Title(), mb::Ok);
        }
        app.Terminate();
        return RegistrationEnd::Done;
    }

    std::string transferPath;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::ProductKey, true);
        registry.WriteString("", "");
        transferPath = registry.ReadString(product::TransferPathValue);
    }
    const std::string programPath =
        (transferPath.empty() ? programFolder : transferPath) + product::ProgramFileName();
    if (!context.files.FileExists(programPath)) {
        app.Terminate();
        return RegistrationEnd::Done;
    }

    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::AppPathsKey, true);
        registry.WriteString("", programPath);
        registry.WriteString("Path", programFolder);
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
    // Where the system keeps no list of installed programs to remove them from, the
    // group offers the removal; the uninstallation deletes this item by its name.
    if (!context.process.SystemListsInstalledPrograms()) {
        const std::string removeItem =
            "[AddItem(\"" + programPath + " -u\"," + Ru(product::RemovalItemUtf8) + ")]\r\n";
        if (!dde.ExecuteMacro(removeItem)) Information(app, Ru("Невозможно добавить ярлык"));
    }
    dde.CloseLink();
    app.ProcessMessages();

    context.restartLaunched = true;
    context.shell.StartHidden(context.owner, programPath, ExtractFilePath(programPath));
    app.Terminate();
    return RegistrationEnd::Done;
}

}  // namespace vel
