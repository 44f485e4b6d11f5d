#include "sound/SCFrm.h"

#include <algorithm>
#include <limits>

#include "runtime/Text.h"
#include "sound/SndControls.h"

namespace vel {

namespace {
Rect TrackBarAt(int top) { return {8, top, 150, 45}; }
Rect CheckBoxAt(int top) { return {168, top, 65, 17}; }
Rect ProgressBarAt(int top) { return {240, top, 150, 16}; }

constexpr int kPeakScale = 32767;

// A track bar position is an int; a step count beyond it is shown at its end.
int TrackBarMax(std::uint32_t steps) {
    return static_cast<int>(std::min<std::uint32_t>(steps, std::numeric_limits<int>::max()));
}

// Where `volume` lies on a track bar of `max` positions: its share of the control's
// range (unsigned differences) times the step count, rounded half to even. A
// control whose range is empty has one value, its maximum: the track bar's end.
int VolumePosition(std::uint32_t volume, const MixerControl& control, int max) {
    const std::uint32_t range = control.maximum - control.minimum;
    if (range == 0) return max;
    const long double x = static_cast<long double>(volume - control.minimum) / range * control.steps;
    if (x >= max) return max;
    return static_cast<int>(RoundHalfEven(x));
}
}  // namespace

TSoundControlForm::TSoundControlForm(Application& app, Mixer& mixer)
    : Form(app, "SoundControlForm"),
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
      // Enabled from creation, but it shows peaks only while the window is shown:
      // hidden (as it always is in the game), it does not wake the program.
      PeakMeterTimer(app, 100, true, this),
      SoundLines(std::make_unique<SndControls>()),
      m_mixer(mixer),
      m_rows{{{&SoundLines->GeneralControl, &GeneralTrackBar, &GeneralCB, &GeneralProgressBar},
              {&SoundLines->WaveControl, &WaveTrackBar, &WaveCB, &WaveProgressBar},
              {&SoundLines->CDControl, &CDTrackBar, &CDCB, &CDProgressBar},
              {&SoundLines->MicControl, &MicTrackBar, &MicCB, &MicProgressBar}}} {
    SetText("Sound Control");
    SetTopMost(true);
    SetClientSize({403, 195});
    for (const Row& row : m_rows) {
        row.trackBar->OnChange = [this](TrackBar& sender) { GeneralTrackBarChange(sender); };
        row.checkBox->OnClick = [this](Control& sender) { GeneralCBClick(sender); };
    }
    PeakMeterTimer.OnTimer = [this] { ShowPeakLevels(); };
    App().Guard([this] { FormCreate(); });
}

TSoundControlForm::~TSoundControlForm() { App().Guard([this] { FormDestroy(); }); }

void TSoundControlForm::FormCreate() {
    SoundLines->InitMixer(m_mixer, Handle(), [this] { MixerControlChange(); });
    RefreshAll();
}

void TSoundControlForm::FormDestroy() {
    PeakMeterTimer.SetEnabled(false);
    SoundLines->DoneMixer();
}

void TSoundControlForm::RefreshAll() {
    for (const Row& row : m_rows) RefreshLine(row);
}

void TSoundControlForm::MixerControlChange() { RefreshAll(); }

void TSoundControlForm::SetMasterPosition(int position) {
    GeneralTrackBar.SetPosition(position);
    GeneralTrackBarChange(GeneralTrackBar);
}

// Setting a position or a check state runs the row's handler when it changes, so
// the refresh writes the value back quantised to the track bar's steps. Each such
// write leaves the position where it was or lower, so the notices it causes die out.
void TSoundControlForm::RefreshLine(const Row& row) {
    TSndControl* line = row.line->get();
    if (line && line->HasVolume) {
        const MixerControl& control = line->VolumeControl;
        const int max = TrackBarMax(control.steps);
        row.trackBar->Show();
        row.trackBar->SetMin(0);
        row.trackBar->SetMax(max);
        row.trackBar->SetFrequency(1);
        row.trackBar->SetPosition(VolumePosition(line->Volume(), control, max));
    } else {
        row.trackBar->Hide();
    }

    if (line && line->HasMute) {
        row.checkBox->Show();
        row.checkBox->SetChecked(line->SoundOn());
    } else {
        row.checkBox->Hide();
    }

    if (line && line->HasPeak) {
        row.progressBar->Show();
        row.progressBar->SetMin(0);
        row.progressBar->SetMax(kPeakScale);
        row.progressBar->SetPosition(line->Peak());
    } else {
        row.progressBar->Hide();
    }
}

void TSoundControlForm::GeneralTrackBarChange(Control& sender) {
    for (const Row& row : m_rows) {
        if (row.trackBar != &sender) continue;
        TSndControl* line = row.line->get();
        if (!line) return;
        const MixerControl& control = line->VolumeControl;
        if (control.steps == 0) return;
        // Whole steps, not a proportional scaling: the top position may stay below
        // the maximum.
        const std::uint32_t step = (control.maximum - control.minimum) / control.steps;
        line->SetVolume(control.minimum + step * static_cast<std::uint32_t>(row.trackBar->Position()));
        return;
    }
}

void TSoundControlForm::GeneralCBClick(Control& sender) {
    for (const Row& row : m_rows) {
        if (row.checkBox != &sender) continue;
        if (TSndControl* line = row.line->get()) line->SetSoundOn(row.checkBox->Checked());
        return;
    }
}

void TSoundControlForm::ShowPeakLevels() {
    if (!Visible()) return;
    for (const Row& row : m_rows) {
        TSndControl* line = row.line->get();
        if (line && line->HasPeak) {
            row.progressBar->Show();
            row.progressBar->SetPosition(line->Peak());
        } else {
            row.progressBar->Hide();
        }
    }
}

}  // namespace vel
