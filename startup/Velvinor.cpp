#include "startup/Velvinor.h"

#include "host/MainFrm.h"
#include "media/IntroFrm.h"
#include "media/MessageFrm.h"
#include "media/RtfFrm.h"
#include "runtime/Errors.h"
#include "runtime/Product.h"
#include "runtime/RegistryAccess.h"
#include "runtime/Text.h"
#include "sound/SCFrm.h"

namespace vel {

Program::Program(const Platform& platform_) : platform(platform_), app(platform_.ui) {
    SetPathStyle(platform.files.Style());
}

// The application frees its windows last-created first; the main window forgets
// each before it goes.
Program::~Program() {
    if (MainForm) {
        MainForm->SetRtfForm(nullptr);
        MainForm->SetIntroForm(nullptr);
        MainForm->SetSoundControlForm(nullptr);
        MainForm->SetMessageForm(nullptr);
    }
    RtfForm.reset();
    IntroForm.reset();
    SoundControlForm.reset();
    MessageForm.reset();
    MainForm.reset();
}

bool Program::Start() {
    // Only an installed copy is single-instance. Creating the mutex and looking at
    // whether it existed leaves no gap between two copies started together.
    RegistryAccess registry(platform.registry);
    if (registry.KeyExists(product::AppPathsKey) &&
        platform.process.CreateMutex(product::Identifier) == MutexResult::AlreadyExists)
        return false;

    try {
        app.SetTitle(Ru(product::DisplayNameUtf8));
        MainForm = std::make_unique<TMainForm>(app, platform);
        MessageForm = std::make_unique<TMessageForm>(app, *MainForm);
        MainForm->SetMessageForm(MessageForm.get());
        if (MainForm->FlashError) throw OleError("Flash Error");
    } catch (const OleError&) {
        app.MessageBox(Ru("Для работы программы требуется Adobe (Macromedia) Flash Player\r\n"
                          "Установите его с диска (файл install_flash_player_10_active_x.exe)"),
                       app.Title(), mb::Ok);
        app.Terminate();
        return false;
    }

    // The main window outlives the others: they may keep its address.
    TMainForm* const main = MainForm.get();
    SoundControlForm = std::make_unique<TSoundControlForm>(app, platform.mixer);
    main->SetSoundControlForm(SoundControlForm.get());
    IntroForm = std::make_unique<TIntroForm>(
        app, platform.media, platform.process, product::MovieFolder(main->ProgramFolder()),
        IntroHost{[main] { main->HideForIntro(); }, [main] { return main->EscIntro; },
                  [main] { main->TakeOverFromIntro(); },
                  [main](std::uint16_t& key, std::uint32_t shift) { main->FormKeyUp(key, shift); }});
    main->SetIntroForm(IntroForm.get());
    RtfForm = std::make_unique<TRtfForm>(app);
    main->SetRtfForm(RtfForm.get());
    return true;
}

void Program::Run() { app.Run(); }

int RunVelvinor(Platform& platform) {
    Program program(platform);
    try {
        if (program.Start()) program.Run();
    } catch (const std::exception& error) {
        program.app.ShowException(error);
        return 1;
    }
    return 0;
}

}  // namespace vel
