#include "forms/Forms.h"
#include "install/InstallRules.h"
#include "install/Installation.h"
#include "install/StartingFrm.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

const char* const kVistaWarning =
    "ВАЖНАЯ ИНФОРМАЦИЯ\r\n\r\nДля установки программы в операционной системе Windows Vista\r\n"
    "необходимо запустить ее от имени администратора. Для этого\r\n"
    "нужно открыть папку CD дисковода (без автозапуска), правой кнопкой\r\n"
    "мыши открыть контекстное меню программы Velvinor.exe,\r\n"
    "и выбрать пункт меню \"Запуск от имени администратора\" (даже если\r\n"
    "вы вошли в Windows с правами администратора). При этом Вам потребуется ввести\r\n"
    "пароль одного из администраторов Вашего компьютера.\r\n"
    "В противном случае установка программы будет выполнена некорректно.\r\n\r\n"
    "Если вы выполнили запуск программы правой кнопкой от имени администратора,\r\n"
    "нажмите \"ДА\". В противном случае нажмите \"НЕТ\".";

}  // namespace

namespace {

// The facts are gathered in the order the decision needs them; only the
// uninstall switch keeps the rest from being looked at.
StartFacts GatherFacts(const InstallContext& context, RegistryAccess& registry) {
    StartFacts facts;
    const std::vector<std::string> args = context.process.Arguments();
    facts.uninstallSwitch = !args.empty() && AsciiLower(args[0]) == "-u";
    if (facts.uninstallSwitch) {
        facts.appPathsKey = registry.KeyExists(product::AppPathsKey);
    } else {
        facts.productKey = registry.KeyExists(product::ProductKey);
        if (facts.productKey) {
            CloseKeyOnExit closer{registry};
            registry.OpenKey(product::ProductKey, false);
            facts.transferPending = registry.ReadString("") == product::TransferMarker;
        }
        facts.osMajor = context.process.OsMajorVersion();
        facts.hardDisk =
            context.files.GetDriveType(ExtractFileDrive(context.process.ProgramPath())) == DriveType::Fixed;
    }
    return facts;
}

}  // namespace

bool TakeStartDecision(const InstallContext& context, RegistryAccess& registry) {
    while (true) {
        const StartDecision decision = DecideStart(GatherFacts(context, registry));
        if (decision.vistaWarning &&
            context.app.MessageBox(Ru(kVistaWarning), "Confirm", mb::YesNo | mb::IconQuestion | mb::DefButton2) !=
                mb::IdYes) {
            context.app.Terminate();
            return false;
        }
        switch (decision.path) {
            case StartPath::OrdinaryStart: return true;
            case StartPath::Nothing: return false;
            case StartPath::Uninstall: UninstallProgram(context, registry); return false;
            case StartPath::Registration:
            case StartPath::Transfer:
                context.startingForm = std::make_unique<TStartingForm>(context.app);
                if (decision.path == StartPath::Transfer) {
                    TransferToHardDisk(context, registry);
                    return false;
                }
                // An unfinished transfer removed: the disc is a new start, the Vista
                // warning and the offer to transfer included.
                if (RegisterProgram(context, registry) == RegistrationEnd::TransferRemoved) continue;
                return false;
        }
        return false;
    }
}

}  // namespace vel
