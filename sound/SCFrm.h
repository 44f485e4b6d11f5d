#pragma once
// TSoundControlForm: the hidden mixer window. It owns the mixer and keeps the
// master volume on its General track bar.

#include "forms/Forms.h"

namespace vel {

class Program;

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
    void GeneralTrackBarChange(Control& sender);

private:
    Program& m_program;
};

}  // namespace vel
