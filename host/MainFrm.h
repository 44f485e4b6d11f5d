#pragma once
// TMainForm: the borderless black maximised main window. It hosts the movie, owns
// the program's state and dispatches the movie's commands.

#include <cstdint>
#include <memory>
#include <string>

#include "forms/Forms.h"
#include "host/ShockwaveFlashObjects_TLB.h"
#include "media/MediaPlayer.h"
#include "runtime/RegistryAccess.h"

namespace vel {

class Program;
class TProcessorClockCounter;
class TDdeClientConv;
class TStartingForm;

class TMainForm final : public Form {
public:
    // Builds the components (the movie control may raise OleError) and runs FormCreate.
    explicit TMainForm(Program& program);
    ~TMainForm() override;

    Program& program;

    // Components.
    std::unique_ptr<TShockwaveFlash> Flash1;
    Timer Timer1;
    TMediaPlayer MediaPlayer;
    Image Image1;
    std::unique_ptr<TProcessorClockCounter> ProcessorClockCounter;
    std::unique_ptr<TDdeClientConv> DdeClientConv1;
    // The installer dialog, created on the installation paths only.
    std::unique_ptr<TStartingForm> StartingForm;

    // Private state (public for the program's other units and for tests).
    std::int32_t ProcessorFreq = 0;
    bool EscIntro = false;
    bool FlashError = false;
    bool Minimized = false;
    bool ClipIsCopy = false;
    bool RestartLaunched = false;
    // The default printer was selected in this run (print request).
    bool PrinterSelected = false;

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void FormShow();
    void FormKeyUp(std::uint16_t& key, std::uint32_t shift);
    void StartMovie();
    void Flash1FSCommand(const std::u16string& command, const std::u16string& args);
    void Timer1Timer();
    void ExitItemClick();
    void MinimizeItemClick();
    void MaximizeItemClick();
    void RestoreItemClick();
    void SaveiniItemClick();
    void ApplicationEvents1Message(std::uint32_t message, bool& handled);

    // The folder of the running program file, with its final backslash.
    std::string ProgramFolder();

    // Carried out by the Parts' own units.
    void MeasureProcessorFrequency();                       // probe/
    void ProcessorClockCounterPrecizeProc();                // probe/
    // The start decision; true when the ordinary start follows.
    bool TakeStartDecision(RegistryAccess& registry);       // install/
    void PrintInemClick();                                  // media/
    void OpenDocument(const std::string& name);             // media/
    void PlayClip(const std::string& clipName);             // media/
    void MediaPlayerNotify(std::uint32_t value);            // media/
    void StoreSetting(const std::u16string& command, const std::u16string& args);  // host/

private:
    void OrdinaryStart();
    // Places Flash1 in the 4:3 area or centred at its design size, then shows it anew.
    void PlaceMovie(Rect bounds);
};

}  // namespace vel
