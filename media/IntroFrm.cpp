#include "media/IntroFrm.h"

#include "platform/Process.h"
#include "runtime/Text.h"

namespace vel {

namespace {
constexpr const char* kFirstVideo = "logo_deve.avi";
constexpr const char* kSecondVideo = "logo_trelkon.avi";
}  // namespace

TIntroForm::TIntroForm(Application& app, MediaControl& media, Process& process, std::string movieFolder,
                       IntroHost host)
    : Form(app, "IntroForm"),
      MediaPlayer(media),
      m_process(process),
      m_movieFolder(std::move(movieFolder)),
      m_host(std::move(host)) {
    SetBorder(BorderStyle::None);
    SetColor(0x000000);
    SetTopMost(true);
    SetBounds({330, 113, 312, 206});
    MediaPlayer.OnNotify = [this](std::uint32_t value) { MediaPlayerNotify(value); };
    OnShow = [this] { FormShow(); };
    OnKeyUp = [this](std::uint16_t& key, std::uint32_t shift) { FormKeyUp(key, shift); };
    Show();
}

void TIntroForm::PlayVideo(const char* file, int width, int height) {
    Size screen = App().Screen();
    SetBounds({CentreOffset(screen.width, width), CentreOffset(screen.height, height), width, height});
    MediaPlayer.FileName = VideoPath(file);
    MediaPlayer.SetDisplay(Handle());
    MediaPlayer.Open();
    MediaPlayer.Play();
}

void TIntroForm::FormShow() {
    auto args = m_process.Arguments();
    if (!args.empty() && AsciiLower(args[0]) == "-u") return;
    m_host.hideMain();
    PlayVideo(kFirstVideo, 720, 576);
}

void TIntroForm::MediaPlayerNotify(std::uint32_t) {
    if (m_host.skipped()) return;
    if (MediaPlayer.FileName == VideoPath(kFirstVideo)) {
        MediaPlayer.Close();
        PlayVideo(kSecondVideo, 320, 240);
    } else {
        MediaPlayer.Close();
        Hide();
        m_host.handOver();
    }
}

void TIntroForm::FormKeyUp(std::uint16_t& key, std::uint32_t shift) { m_host.keyUp(key, shift); }

}  // namespace vel
