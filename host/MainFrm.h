#pragma once
// TMainForm: the borderless black maximised main window. It hosts the movie, owns
// the program's state and the units that carry out the movie's commands, and
// dispatches those commands to them.

#include <cstdint>
#include <memory>
#include <string>

#include "forms/Forms.h"
#include "host/ShockwaveFlashObjects_TLB.h"
#include "media/MediaPlayer.h"
#include "platform/Platform.h"

namespace vel {

class ClipPlayer;
class TDdeClientConv;
class TIntroForm;
class TMessageForm;
class PrintRequest;
class TProcessorClockCounter;
class TRtfForm;
class TSoundControlForm;
class TStartingForm;

class TMainForm final : public Form {
public:
    // Builds the components (the movie control may raise OleError) and runs FormCreate.
    TMainForm(Application& app, const Platform& platform);
    ~TMainForm() override;

    // The windows start-up creates after this one, handed over as they are created;
    // until then (and once they are gone) what needs one does without it.
    void SetMessageForm(TMessageForm* form);
    void SetSoundControlForm(TSoundControlForm* form) { m_soundControl = form; }
    void SetIntroForm(TIntroForm* form) { m_intro = form; }
    void SetRtfForm(TRtfForm* form) { m_viewer = form; }

    // Components.
    std::unique_ptr<TShockwaveFlash> Flash1;
    Timer StateTimer;
    TMediaPlayer MediaPlayer;
    Image BackdropImage;
    std::unique_ptr<TProcessorClockCounter> ProcessorClockCounter;
    std::unique_ptr<TDdeClientConv> ProgramManagerConv;
    // The installer dialog, created on the installation paths only.
    std::unique_ptr<TStartingForm> StartingForm;

    // Private state (public for start-up and for tests).
    std::int32_t ProcessorFreq = 0;
    bool EscIntro = false;
    bool FlashError = false;
    bool Minimized = false;
    bool ClipIsCopy = false;
    bool RestartLaunched = false;

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void FormShow();
    void FormKeyUp(std::uint16_t& key, std::uint32_t shift);
    void StartMovie();
    void Flash1FSCommand(const std::u16string& command, const std::u16string& args);
    void MediaPlayerNotify(std::uint32_t value);
    // Every 50 ms: the master volume, whether a clip has the movie's place, and
    // whether the application is minimised, written into the movie.
    void WriteMovieState();
    // Every application message before it is dispatched: a right-button press
    // reaches no window.
    void DiscardRightButtonDown(Input input, bool& handled);

    // The movie's commands.
    void Quit();
    void MinimizeGame();
    // The movie in the largest 4:3 area of the window ("maximize"), or centred at its
    // design size ("normalize").
    void FitMovie();
    void CentreMovie();
    void PrintMovie();
    void StoreSetting(const std::u16string& command, const std::u16string& args);

    // The intro window's part: it hides this window, reads the skip and hands over.
    void HideForIntro();
    void TakeOverFromIntro();

    // The folder of the running program file, with its final backslash.
    std::string ProgramFolder();

private:
    void OrdinaryStart();
    // Places Flash1 in the 4:3 area or centred at its design size, then shows it anew.
    void PlaceMovie(Rect bounds);

    Platform m_platform;
    std::unique_ptr<ClipPlayer> m_clips;
    std::unique_ptr<PrintRequest> m_print;
    TSoundControlForm* m_soundControl = nullptr;
    TIntroForm* m_intro = nullptr;
    TRtfForm* m_viewer = nullptr;
    // The last tick's writes failed and were reported; until one succeeds again, no
    // further report.
    bool m_stateWriteFailing = false;
};

}  // namespace vel
