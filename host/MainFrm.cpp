#include "host/MainFrm.h"

#include "install/DdeClientConv.h"
#include "install/Installation.h"
#include "install/StartingFrm.h"
#include "media/ClipPlayback.h"
#include "media/DocumentOpening.h"
#include "media/IntroFrm.h"
#include "media/MessageFrm.h"
#include "media/PrintRequest.h"
#include "probe/FrequencyProbe.h"
#include "probe/ProcessorClockCounter.h"
#include "runtime/Errors.h"
#include "runtime/Product.h"
#include "runtime/RegistryAccess.h"
#include "runtime/Text.h"
#include "sound/SCFrm.h"
#include "sound/VolumeCommand.h"

namespace vel {

namespace {
constexpr std::uint16_t kEsc = 27;
constexpr std::uint16_t kSpace = 32;
constexpr int kMovieWidth = 1024;
constexpr int kMovieHeight = 768;
}  // namespace

TMainForm::TMainForm(Application& app, const Platform& platform)
    : Form(app, "MainForm"),
      StateTimer(app, 50, false),
      MediaPlayer(platform.media),
      BackdropImage(*this, "BackdropImage", {0, 0, kMovieWidth, kMovieHeight}),
      m_platform(platform) {
    SetBorder(BorderStyle::None);
    SetColor(0x000000);
    SetMaximized(true);
    BackdropImage.Hide();
    BackdropImage.SetStretch(true);
    StateTimer.OnTimer = [this] { WriteMovieState(); };
    MediaPlayer.OnNotify = [this](std::uint32_t value) { MediaPlayerNotify(value); };
    OnShow = [this] { FormShow(); };
    OnKeyUp = [this](std::uint16_t& key, std::uint32_t shift) { FormKeyUp(key, shift); };
    m_app.OnMessage = [this](Input input, bool& handled) { DiscardRightButtonDown(input, handled); };

    // Components in the order the stored form builds them; the movie control may
    // raise OleError, which start-up catches.
    Flash1 = std::make_unique<TShockwaveFlash>(
        m_platform.movie, Handle(), [this](const std::u16string& command, const std::u16string& args) {
            m_app.Guard([&] { Flash1FSCommand(command, args); });
        });
    ProcessorClockCounter = CreateProcessorClockCounter(m_app, m_platform.process, m_platform.clock);
    ProgramManagerConv = CreateDdeClientConv(m_platform.dde, m_platform.shell);
    m_clips = std::make_unique<ClipPlayer>(
        m_app, m_platform.files, m_platform.shell, m_platform.process, m_platform.registry, MediaPlayer, BackdropImage,
        *this, ClipIsCopy,
        MovieSurface{[this] { return Size{Flash1->Width(), Flash1->Height()}; }, [this] { Flash1->Hide(); },
                     [this] { Flash1->Show(); }});
    m_print = std::make_unique<PrintRequest>(m_platform.printer);

    m_app.Guard([this] { FormCreate(); });
}

TMainForm::~TMainForm() { m_app.Guard([this] { FormDestroy(); }); }

void TMainForm::SetMessageForm(TMessageForm* form) { m_clips->notice = form; }

std::string TMainForm::ProgramFolder() { return ExtractFilePath(m_platform.process.ProgramPath()); }

void TMainForm::FormCreate() {
    RestartLaunched = false;
    ProcessorFreq = MeasureProcessorFrequency(*ProcessorClockCounter);
    RegistryAccess registry(m_platform.registry);
    const InstallContext install{m_platform.files, m_platform.shell,  m_platform.process, m_app,       Handle(),
                                 RestartLaunched,  *ProgramManagerConv,   ProgramFolder(),    StartingForm};
    if (TakeStartDecision(install, registry)) OrdinaryStart();
}

void TMainForm::OrdinaryStart() {
    Minimized = false;
    ClipIsCopy = false;
    m_app.OnMinimize = [this] { Minimized = true; };
    m_app.OnRestore = [this] { Minimized = false; };
    StartMovie();
}

void TMainForm::FormDestroy() {
    StateTimer.SetEnabled(false);
    if (!RestartLaunched && m_soundControl) m_soundControl->PeakMeterTimer.SetEnabled(false);
}

void TMainForm::FormShow() {
    Flash1->Hide();
    Flash1->SetScaleMode(0);
    Size screen = m_app.Screen();
    Flash1->SetBounds(
        {CentreOffset(screen.width, kMovieWidth), CentreOffset(screen.height, kMovieHeight), kMovieWidth, kMovieHeight});
    Flash1->SetWMode("transparent");
}

void TMainForm::StartMovie() {
    FlashError = false;
    Flash1->SetMovie(product::MovieFolder(ProgramFolder()) + "Game.swf");
    if (!m_platform.files.FileExists(Flash1->Movie())) m_app.Terminate();

    RegistryAccess registry(m_platform.registry);
    if (registry.KeyExists(product::ProductKey)) {
        registry.OpenKey(product::ProductKey, false);
        std::string vars;
        for (const std::string& name : registry.GetValueNames())
            if (!name.empty()) vars += name + "=" + registry.ReadString(name) + "&";
        vars += "ProcessorFreq=" + IntToStr(ProcessorFreq) + "&";
        vars += std::string("EscIntro=") + (EscIntro ? "-1" : "0") + "&";
        vars += std::string("ExeName=") + product::Identifier + "&";
        vars.pop_back();
        try {
            Flash1->SetFlashVars(vars);
        } catch (const Error&) {
            FlashError = true;
        }
        std::string version = Flash1->GetVariable("$version");
        if (version.empty()) {
            FlashError = true;
        } else {
            std::size_t blank = version.find(' ');
            if (blank != std::string::npos) version = version.substr(blank + 1);
            std::size_t comma = version.find(',');
            if (comma != std::string::npos) version = version.substr(0, comma);
            if (StrToIntDef(version, 0) < 7) FlashError = true;
        }
    }
    registry.CloseKey();
    StateTimer.SetEnabled(true);
}

void TMainForm::Flash1FSCommand(const std::u16string& command, const std::u16string& args) {
    const std::string name = AsciiLower(WideToAnsi(command));
    if (name == "quit") Quit();
    else if (name == "minimize") MinimizeGame();
    else if (name == "maximize") FitMovie();
    else if (name == "normalize") CentreMovie();
    else if (name == "print") PrintMovie();
    else if (name == "setvolume") SetVolumeCommand(m_soundControl, WideToAnsi(args));
    else if (name == "cursor") {
        const std::string shape = AsciiLower(WideToAnsi(args));
        if (shape == "norm") m_app.SetCursor(Cursor::Default);
        else if (shape == "wait") m_app.SetCursor(Cursor::HourGlass);
    } else if (name == "execute")
        OpenDocument(m_app, m_platform.shell, m_platform.files, Handle(), m_viewer, product::MovieFolder(ProgramFolder()),
                     WideToAnsi(args));
    else if (name.rfind("save", 0) == 0) StoreSetting(command, args);
    else if (name == "plaympg") m_clips->Play(product::MovieFolder(ProgramFolder()), WideToAnsi(args));
}

void TMainForm::PrintMovie() { m_print->Print(Handle(), Flash1->Bounds(), ClientSize(), m_app.Title()); }

void TMainForm::MediaPlayerNotify(std::uint32_t) { m_clips->Ended(); }

void TMainForm::WriteMovieState() {
    try {
        long double v = GetVolumePercent(m_soundControl);
        Flash1->SetVariable("_root.currentvolume", IntToStr(RoundHalfEven(v / 100 * 100)));
        Flash1->SetVariable("_root.mpg", Flash1->Visible() ? "0" : "1");
        Flash1->SetVariable("_root.minimized", Minimized ? "1" : "0");
        m_stateWriteFailing = false;
    } catch (const std::exception& error) {
        // One report for a run of failing ticks: the ticks go on inside the box's own
        // loop, and a box at each of them would bury the game.
        if (m_stateWriteFailing) return;
        m_stateWriteFailing = true;
        m_app.ShowException(error);
    }
}

void TMainForm::Quit() {
    StateTimer.SetEnabled(false);
    if (m_soundControl) m_soundControl->PeakMeterTimer.SetEnabled(false);
    m_app.Terminate();
}

void TMainForm::MinimizeGame() { m_app.Minimize(); }

void TMainForm::PlaceMovie(Rect bounds) {
    Flash1->SetBounds(bounds);
    Flash1->SetScaleMode(0);
    Flash1->DoVerbShow();
}

void TMainForm::FitMovie() {
    // Wide: a window's side times 4 leaves 32 bits; the fitted side is never larger than the window's.
    const std::int64_t w = Width(), h = Height();
    if (h * 4 > w * 3) {
        const int height = static_cast<int>(w * 3 / 4);
        PlaceMovie({0, CentreOffset(Height(), height), Width(), height});
    } else {
        const int width = static_cast<int>(h * 4 / 3);
        PlaceMovie({CentreOffset(Width(), width), 0, width, Height()});
    }
}

void TMainForm::CentreMovie() {
    PlaceMovie({CentreOffset(Width(), kMovieWidth), CentreOffset(Height(), kMovieHeight), kMovieWidth, kMovieHeight});
}

void TMainForm::DiscardRightButtonDown(Input input, bool& handled) {
    if (input == Input::RightButtonDown) handled = true;
}

void TMainForm::FormKeyUp(std::uint16_t& key, std::uint32_t) {
    if (key != kEsc && key != kSpace) return;
    TIntroForm* intro = m_intro;
    if (intro && intro->Visible()) {
        EscIntro = true;
        intro->MediaPlayer.Close();
        intro->Hide();
        TakeOverFromIntro();
    } else if (BackdropImage.Visible()) {
        MediaPlayer.Stop();
    }
}

void TMainForm::HideForIntro() {
    Hide();
    EscIntro = false;
}

void TMainForm::TakeOverFromIntro() {
    Show();
    StartMovie();
    Flash1->Show();
}

}  // namespace vel
