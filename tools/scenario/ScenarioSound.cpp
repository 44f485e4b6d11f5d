// Scenario commands for the sound mixer.
//
//   mixer-device [open-fails] [caps-fails]
//       Adds a mixer device; the lines that follow describe it. open-fails makes
//       opening it fail, caps-fails reading its capabilities.
//   mixer-destination TYPE ["NAME"] [query-fails] [list-fails]
//       Adds a destination line to the last device.
//   mixer-source TYPE ["NAME"] [query-fails] [list-fails]
//       Adds a source line to the last destination. query-fails makes the line's
//       query fail, list-fails the listing of its controls.
//   mixer-control KIND ID VALUE [MIN MAX [STEPS]]
//       Adds a control to the line added last. Ids are unique on a device.
//   mixer-change ID VALUE
//       Another program sets the control's value; if it changes, every handle open
//       on its device gets a change notice.
//   mixer-line-change LINE
//       A line changes (a jack plugged in): every handle open on its device gets a
//       line-change notice, which nothing in the program asks for.
//   mixer-dump
//       Prints the devices, lines and controls with their values ("mixer:").
//
// TYPE: speakers, headphones, wavein, line, microphone, synth, cd, waveout,
// auxiliary, or a number. KIND: mute, volume, peak, or a number. Numbers may be
// written in hexadecimal (0x...); VALUE, MIN and MAX may be negative.
//
// Trace lines: "mixer open device N notify window W" (or "-> failed"), "mixer set
// control ID = V" for every write by the program, "mixer notice -> window W" when
// a change notice is delivered, "mixer line-change notice line L -> window W (no
// handler)", "mixer close device N".

#include <limits>

#include "tools/scenario/Scenario.h"
#include "runtime/Text.h"

namespace vel::sim {

namespace {

using Args = std::vector<std::string>;

std::uint32_t Unsigned(Scenario& s, const std::string& word) {
    std::int64_t v = s.Number(word);
    if (v < 0 || v > std::numeric_limits<std::uint32_t>::max()) s.Fail("not an unsigned 32-bit number: " + word);
    return static_cast<std::uint32_t>(v);
}

std::uint32_t ParseComponent(Scenario& s, const std::string& word) {
    std::string w = AsciiLower(word);
    if (w == "speakers") return 4;
    if (w == "headphones") return 5;
    if (w == "wavein") return mixer::DstWaveIn;
    if (w == "line") return 0x1002;
    if (w == "microphone") return mixer::SrcMicrophone;
    if (w == "synth") return 0x1004;
    if (w == "cd") return mixer::SrcCompactDisc;
    if (w == "waveout") return mixer::SrcWaveOut;
    if (w == "auxiliary") return mixer::SrcAuxiliary;
    return Unsigned(s, word);
}

std::uint32_t ParseControlKind(Scenario& s, const std::string& word) {
    std::string w = AsciiLower(word);
    if (w == "mute") return mixer::ControlMute;
    if (w == "volume") return mixer::ControlVolume;
    if (w == "peak") return mixer::ControlPeakMeter;
    return Unsigned(s, word);
}

// A 32-bit value, given signed or unsigned.
std::int32_t ParseValue(Scenario& s, const std::string& word) {
    std::int64_t v = s.Number(word);
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::uint32_t>::max())
        s.Fail("not a 32-bit value: " + word);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

void AddLine(Scenario& s, const Args& a, bool source) {
    SimMixer& m = s.machine.mixer;
    if (m.devices.empty()) s.Fail("no mixer-device before this line");
    if (source && m.devices.back().destinations.empty()) s.Fail("no mixer-destination before this source");
    std::uint32_t type = ParseComponent(s, s.Arg(a, 0));
    std::string name;
    bool failQuery = false, failList = false;
    for (std::size_t i = 1; i < a.size(); ++i) {
        std::string w = AsciiLower(a[i]);
        if (w == "query-fails") failQuery = true;
        else if (w == "list-fails") failList = true;
        else if (i == 1) name = Ru(a[i]);
        else s.Fail("line: \"NAME\", query-fails or list-fails");
    }
    SimMixer::SimLine& line = source ? m.AddSource(type, name) : m.AddDestination(type, name);
    line.failQuery = failQuery;
    line.failControls = failList;
}

}  // namespace

void AddSoundCommands(Scenario& sc) {
    sc.Add("mixer-device", [](Scenario& s, const Args& a) {
        SimMixer::SimDevice& device = s.machine.mixer.AddDevice();
        for (const auto& word : a) {
            std::string w = AsciiLower(word);
            if (w == "open-fails") device.failOpen = true;
            else if (w == "caps-fails") device.failCaps = true;
            else s.Fail("mixer-device: open-fails or caps-fails");
        }
    });
    sc.Add("mixer-destination", [](Scenario& s, const Args& a) { AddLine(s, a, false); });
    sc.Add("mixer-source", [](Scenario& s, const Args& a) { AddLine(s, a, true); });
    sc.Add("mixer-control", [](Scenario& s, const Args& a) {
        SimMixer& m = s.machine.mixer;
        if (m.devices.empty() || m.devices.back().destinations.empty()) s.Fail("mixer-control: no line to add it to");
        if (a.size() != 3 && a.size() != 5 && a.size() != 6) s.Fail("mixer-control KIND ID VALUE [MIN MAX [STEPS]]");
        std::uint32_t kind = ParseControlKind(s, a[0]);
        std::uint32_t id = Unsigned(s, a[1]);
        std::int32_t value = ParseValue(s, a[2]);
        // Bounds may be signed (a peak meter's are); they are kept as their 32 bits.
        auto bound = [&](std::size_t i) { return a.size() > i ? static_cast<std::uint32_t>(ParseValue(s, a[i])) : 0u; };
        std::uint32_t minimum = bound(3), maximum = bound(4);
        std::uint32_t steps = a.size() > 5 ? Unsigned(s, a[5]) : 0;
        if (m.FindControl(static_cast<std::uint32_t>(m.devices.size() - 1), id))
            s.Fail("mixer-control: id " + a[1] + " is taken on this device");
        m.AddControl(kind, id, value, minimum, maximum, steps);
    });
    sc.Add("mixer-line-change", [](Scenario& s, const Args& a) {
        if (!s.machine.mixer.LineChange(Unsigned(s, s.Arg(a, 0)))) s.Fail("mixer-line-change: no such line");
    }, true);
    sc.Add("mixer-change", [](Scenario& s, const Args& a) {
        if (!s.machine.mixer.SetByOther(Unsigned(s, s.Arg(a, 0)), ParseValue(s, s.Arg(a, 1))))
            s.Fail("mixer-change: no control " + a[0]);
    });
    sc.Add("mixer-dump", [](Scenario& s, const Args&) {
        s.machine.trace.Add("mixer:", true);
        for (const auto& line : s.machine.mixer.Dump()) s.machine.trace.Add(line, true);
    });
}

}  // namespace vel::sim
