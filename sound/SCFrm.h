#pragma once
// TSoundControlForm: the hidden mixer window. It owns the mixer and keeps the
// master volume on its General track bar.

#include <array>
#include <memory>

#include "forms/Forms.h"
#include "sound/MasterVolume.h"

namespace vel {

class Mixer;
class SndControls;
class TSndControl;

class TSoundControlForm final : public Form, public MasterVolume {
public:
    TSoundControlForm(Application& app, Mixer& mixer);
    ~TSoundControlForm() override;

    TrackBar GeneralTrackBar, WaveTrackBar, CDTrackBar, MicTrackBar;
    CheckBox GeneralCB, WaveCB, CDCB, MicCB;
    ProgressBar GeneralProgressBar, WaveProgressBar, CDProgressBar, MicProgressBar;
    Timer PeakMeterTimer;
    // The mixer and its four lines, opened by FormCreate and closed by FormDestroy.
    const std::unique_ptr<SndControls> SoundLines;

    // The master volume is the General track bar.
    int MasterMax() const override { return GeneralTrackBar.Max(); }
    int MasterPosition() const override { return GeneralTrackBar.Position(); }
    void SetMasterPosition(int position) override;

    void FormCreate();
    void FormDestroy();
    void RefreshAll();
    // The mixer's control-change notice.
    void MixerControlChange();
    void GeneralTrackBarChange(Control& sender);
    void GeneralCBClick(Control& sender);
    void ShowPeakLevels();

private:
    // One mixer line and its three controls.
    struct Row {
        std::unique_ptr<TSndControl>* line;
        TrackBar* trackBar;
        CheckBox* checkBox;
        ProgressBar* progressBar;
    };
    void RefreshLine(const Row& row);

    Mixer& m_mixer;
    std::array<Row, 4> m_rows;
};

}  // namespace vel
