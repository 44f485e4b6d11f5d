#pragma once
// TIntroForm: the two logo videos before the movie, in a borderless black window
// that stays on top, centred on the screen.

#include <cstdint>
#include <functional>
#include <string>

#include "forms/Forms.h"
#include "media/MediaPlayer.h"

namespace vel {

class MediaControl;
class Process;

// What the intro needs of the main window.
struct IntroHost {
    // The intro starts: the main window hides and forgets an earlier skip.
    std::function<void()> hideMain;
    // The intro was skipped (Esc or Space on the main window).
    std::function<bool()> skipped;
    // The second video ended: the main window takes over with the movie.
    std::function<void()> handOver;
    // A key released on the intro window is the main window's.
    std::function<void(std::uint16_t& key, std::uint32_t shift)> keyUp;
};

class TIntroForm final : public Form {
public:
    // Visible from its creation: the intro starts here, with the videos of the
    // movie's folder (with its final backslash).
    TIntroForm(Application& app, MediaControl& media, Process& process, std::string movieFolder, IntroHost host);

    TMediaPlayer MediaPlayer;

    void FormShow();
    void MediaPlayerNotify(std::uint32_t value);
    void FormKeyUp(std::uint16_t& key, std::uint32_t shift);

private:
    std::string VideoPath(const char* file) const { return m_movieFolder + file; }
    // Centres the window at the video's size and plays it there.
    void PlayVideo(const char* file, int width, int height);
    Process& m_process;
    std::string m_movieFolder;
    IntroHost m_host;
};

}  // namespace vel
