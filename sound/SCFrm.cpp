#include "sound/SCFrm.h"

#include "startup/Velvinor.h"

namespace vel {

namespace {
Rect TrackBarAt(int top) { return {8, top, 150, 45}; }
Rect CheckBoxAt(int top) { return {168, top, 65, 17}; }
Rect ProgressBarAt(int top) { return {240, top, 150, 16}; }
}  // namespace

TSoundControlForm::TSoundControlForm(Program& program)
    : Form(program.app, "SoundControlForm"),
      GeneralTrackBar(*this, "GeneralTrackBar", TrackBarAt(8)),
      WaveTrackBar(*this, "WaveTrackBar", TrackBarAt(48)),
      CDTrackBar(*this, "CDTrackBar", TrackBarAt(88)),
      MicTrackBar(*this, "MicTrackBar", TrackBarAt(128)),
      GeneralCB(*this, "GeneralCB", CheckBoxAt(8), "General"),
      WaveCB(*this, "WaveCB", CheckBoxAt(48), "Wave"),
      CDCB(*this, "CDCB", CheckBoxAt(88), "CD"),
      MicCB(*this, "MicCB", CheckBoxAt(128), "Mic"),
      GeneralProgressBar(*this, "GeneralProgressBar", ProgressBarAt(8)),
      WaveProgressBar(*this, "WaveProgressBar", ProgressBarAt(48)),
      CDProgressBar(*this, "CDProgressBar", ProgressBarAt(88)),
      MicProgressBar(*this, "MicProgressBar", ProgressBarAt(128)),
      Timer1(program.app, 100, true),
      m_program(program) {
    SetText("Sound Control");
    SetTopMost(true);
    SetClientSize({403, 195});
    App().Guard([this] { FormCreate(); });
}

TSoundControlForm::~TSoundControlForm() { App().Guard([this] { FormDestroy(); }); }

void TSoundControlForm::FormCreate() {}

void TSoundControlForm::FormDestroy() { Timer1.SetEnabled(false); }

void TSoundControlForm::GeneralTrackBarChange(Control&) {}

}  // namespace vel
