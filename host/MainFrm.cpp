#include "host/MainFrm.h"

#include "host/Product.h"
#include "install/DdeClientConv.h"
#include "install/StartingFrm.h"
#include "media/IntroFrm.h"
#include "probe/ProcessorClockCounter.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "sound/SCFrm.h"
#include "sound/VolumeCommand.h"
#include "startup/Velvinor.h"

namespace vel {

namespace {
constexpr std::uint16_t kEsc = 27;
constexpr std::uint16_t kSpace = 32;
constexpr int kMovieWidth = 1024;
constexpr int kMovieHeight = 768;
}  // namespace

TMainForm::TMainForm(Program& program_)
    : Form(program_.app, "MainForm"),
      program(program_),
      Timer1(program_.app, 50, false),
      MediaPlayer(program_.platform.media),
      Image1(*this, "Image1", {0, 0, kMovieWidth, kMovieHeight}) {
    SetBorder(BorderStyle::None);
    SetColor(0x000000);
    SetMaximized(true);
    Image1.Hide();
    Image1.SetStretch(true);
    Timer1.OnTimer = [this] { Timer1Timer(); };
    MediaPlayer.OnNotify = [this](std::uint32_t value) { MediaPlayerNotify(value); };
    OnShow = [this] { FormShow(); };
    OnKeyUp = [this](std::uint16_t& key, std::uint32_t shift) { FormKeyUp(key, shift); };
    m_app.OnMessage = [this](std::uint32_t message, bool& handled) { ApplicationEvents1Message(message, handled); };

    // Components in the order the stored form builds them; the movie control may
    // raise OleError, which start-up catches.
    Flash1 = std::make_unique<TShockwaveFlash>(
        program.platform.movie, Handle(), [this](const std::u16string& command, const std::u16string& args) {
            m_app.Guard([&] { Flash1FSCommand(command, args); });
        });
    ProcessorClockCounter = CreateProcessorClockCounter(*this);
    DdeClientConv1 = CreateDdeClientConv(*this);

    m_app.Guard([this] { FormCreate(); });
}

TMainForm::~TMainForm() { m_app.Guard([this] { FormDestroy(); }); }

std::string TMainForm::ProgramFolder() { return ExtractFilePath(program.platform.process.ProgramPath()); }

void TMainForm::FormCreate() {
    RestartLaunched = false;
    MeasureProcessorFrequency();
    RegistryAccess registry(program.platform.registry);
    if (TakeStartDecision(registry)) OrdinaryStart();
}

void TMainForm::OrdinaryStart() {
    Minimized = false;
    ClipIsCopy = false;
    m_app.OnMinimize = [this] { Minimized = true; };
    m_app.OnRestore = [this] { Minimized = false; };
    StartMovie();
}

void TMainForm::FormDestroy() {
    Timer1.SetEnabled(false);
    if (!RestartLaunched && program.SoundControlForm) program.SoundControlForm->Timer1.SetEnabled(false);
}

void TMainForm::FormShow() {
    Flash1->Hide();
    Flash1->SetScaleMode(0);
    Size screen = m_app.Screen();
    Flash1->SetBounds({(screen.width - kMovieWidth) / 2, (screen.height - kMovieHeight) / 2, kMovieWidth, kMovieHeight});
    Flash1->SetWMode("transparent");
}

void TMainForm::StartMovie() {
    FlashError = false;
    Flash1->SetMovie(ProgramFolder() + "SWF" + "\\" + "Game.swf");
    if (!program.platform.files.FileExists(Flash1->Movie())) m_app.Terminate();

    RegistryAccess registry(program.platform.registry);
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
    Timer1.SetEnabled(true);
}

void TMainForm::Flash1FSCommand(const std::u16string& command, const std::u16string& args) {
    const std::string name = AsciiLower(WideToAnsi(command));
    if (name == "quit") ExitItemClick();
    else if (name == "minimize") MinimizeItemClick();
    else if (name == "maximize") MaximizeItemClick();
    else if (name == "normalize") RestoreItemClick();
    else if (name == "print") PrintInemClick();
    else if (name == "setvolume") SetVolumeCommand(program, WideToAnsi(args));
    else if (name == "cursor") {
        const std::string shape = AsciiLower(WideToAnsi(args));
        if (shape == "norm") m_app.SetCursor(Cursor::Default);
        else if (shape == "wait") m_app.SetCursor(Cursor::HourGlass);
    } else if (name == "execute") OpenDocument(WideToAnsi(args));
    else if (name.rfind("save", 0) == 0) StoreSetting(command, args);
    else if (name == "plaympg") PlayClip(WideToAnsi(args));
}

void TMainForm::Timer1Timer() {
    long double v = GetVolumePercent(program);
    Flash1->SetVariable("_root.currentvolume", IntToStr(RoundHalfEven(v / 100 * 100)));
    Flash1->SetVariable("_root.mpg", Flash1->Visible() ? "0" : "1");
    Flash1->SetVariable("_root.minimized", Minimized ? "1" : "0");
}

void TMainForm::ExitItemClick() {
    Timer1.SetEnabled(false);
    if (program.SoundControlForm) program.SoundControlForm->Timer1.SetEnabled(false);
    m_app.Terminate();
}

void TMainForm::MinimizeItemClick() { m_app.Minimize(); }

void TMainForm::PlaceMovie(Rect bounds) {
    Flash1->SetBounds(bounds);
    Flash1->SetScaleMode(0);
    Flash1->DoVerbShow();
}

void TMainForm::MaximizeItemClick() {
    const int w = Width(), h = Height();
    if (h * 4 > w * 3) PlaceMovie({0, (h - w * 3 / 4) / 2, w, w * 3 / 4});
    else PlaceMovie({(w - h * 4 / 3) / 2, 0, h * 4 / 3, h});
}

void TMainForm::RestoreItemClick() {
    PlaceMovie({(Width() - kMovieWidth) / 2, (Height() - kMovieHeight) / 2, kMovieWidth, kMovieHeight});
}

void TMainForm::SaveiniItemClick() { Flash1FSCommand(u"saveini", u""); }

void TMainForm::ApplicationEvents1Message(std::uint32_t message, bool& handled) {
    if (message == WM_RBUTTONDOWN_) handled = true;
}

void TMainForm::FormKeyUp(std::uint16_t& key, std::uint32_t) {
    if (key != kEsc && key != kSpace) return;
    TIntroForm* intro = program.IntroForm.get();
    if (intro && intro->Visible()) {
        EscIntro = true;
        intro->MediaPlayer.Close();
        intro->Hide();
        Show();
        StartMovie();
        Flash1->Show();
    } else if (Image1.Visible()) {
        MediaPlayer.Stop();
    }
}

}  // namespace vel
