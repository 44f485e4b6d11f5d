#pragma once
// TSoundControlForm: the hidden mixer window. It owns the mixer and keeps the
// master volume on its General track bar.

#include <array>
#include <memory>

#include "forms/Forms.h"

namespace vel {

class Program;
class TSndControl;

class TSoundControlForm final : public Form {
public:
    explicit TSoundControlForm(Program& program);
    ~TSoundControlForm() override;

    TrackBar GeneralTrackBar, WaveTrackBar, CDTrackBar, MicTrackBar;
    CheckBox GeneralCB, WaveCB, CDCB, MicCB;
    ProgressBar GeneralProgressBar, WaveProgressBar, CDProgressBar, MicProgressBar;
    Timer Timer1;

    void FormCreate();
    void FormDestroy();
    void RefreshAll();
    // The mixer's control-change notice.
    void MMMixmControlChange();
    void GeneralTrackBarChange(Control& sender);
    void GeneralCBClick(Control& sender);
    void Timer1Timer();

private:
    // One mixer line and its three controls.
    struct Row {
        std::unique_ptr<TSndControl>* line;
        TrackBar* trackBar;
        CheckBox* checkBox;
        ProgressBar* progressBar;
    };
    void RefreshLine(const Row& row);

    Program& m_program;
    std::array<Row, 4> m_rows;
};

}  // namespace vel
