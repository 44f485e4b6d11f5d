#pragma once
// TIntroForm: the two logo videos before the movie, in a borderless black window
// that stays on top, centred on the screen.

#include <cstdint>
#include <string>

#include "forms/Forms.h"
#include "media/MediaPlayer.h"

namespace vel {

class Program;

class TIntroForm final : public Form {
public:
    // Visible from its creation: the intro starts here.
    explicit TIntroForm(Program& program);

    TMediaPlayer MediaPlayer;

    void FormShow();
    void MediaPlayerNotify(std::uint32_t value);
    void FormKeyUp(std::uint16_t& key, std::uint32_t shift);

private:
    std::string VideoPath(const char* file);
    void Place(int width, int height);
    Program& m_program;
};

}  // namespace vel
