#include "media/IntroFrm.h"

#include "host/MainFrm.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

namespace {
constexpr const char* kFirstVideo = "logo_deve.avi";
constexpr const char* kSecondVideo = "logo_trelkon.avi";
}  // namespace

TIntroForm::TIntroForm(Program& program)
    : Form(program.app, "IntroForm"), MediaPlayer(program.platform.media), m_program(program) {
    SetBorder(BorderStyle::None);
    SetColor(0x000000);
    SetTopMost(true);
    SetBounds({330, 113, 312, 206});
    MediaPlayer.OnNotify = [this](std::uint32_t value) { MediaPlayerNotify(value); };
    OnShow = [this] { FormShow(); };
    OnKeyUp = [this](std::uint16_t& key, std::uint32_t shift) { FormKeyUp(key, shift); };
    Show();
}

std::string TIntroForm::VideoPath(const char* file) { return m_program.MainForm->ProgramFolder() + "SWF" + "\\" + file; }

void TIntroForm::Place(int width, int height) {
    Size screen = App().Screen();
    SetBounds({(screen.width - width) / 2, (screen.height - height) / 2, width, height});
}

void TIntroForm::FormShow() {
    auto args = m_program.platform.process.Arguments();
    if (!args.empty() && AsciiLower(args[0]) == "-u") return;
    TMainForm& main = *m_program.MainForm;
    main.Hide();
    main.EscIntro = false;
    Place(720, 576);
    MediaPlayer.FileName = VideoPath(kFirstVideo);
    MediaPlayer.SetDisplay(Handle());
    MediaPlayer.Open();
    MediaPlayer.Play();
}

void TIntroForm::MediaPlayerNotify(std::uint32_t) {
    TMainForm& main = *m_program.MainForm;
    if (main.EscIntro) return;
    if (MediaPlayer.FileName == VideoPath(kFirstVideo)) {
        MediaPlayer.Close();
        Place(320, 240);
        MediaPlayer.FileName = VideoPath(kSecondVideo);
        MediaPlayer.SetDisplay(Handle());
        MediaPlayer.Open();
        MediaPlayer.Play();
    } else {
        MediaPlayer.Close();
        Hide();
        main.Show();
        main.StartMovie();
        main.Flash1->Show();
    }
}

void TIntroForm::FormKeyUp(std::uint16_t& key, std::uint32_t shift) { m_program.MainForm->FormKeyUp(key, shift); }

}  // namespace vel
