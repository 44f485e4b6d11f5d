// Scenario commands of machine probing:
//   clock-counter KHZ   the processor's counter runs at KHZ cycles per millisecond
//   clock-counter off   the processor's counter cannot be read

#include "tools/scenario/Scenario.h"
#include "runtime/Text.h"

namespace vel::sim {

void AddProbeCommands(Scenario& sc) {
    sc.Add("clock-counter", [](Scenario& s, const std::vector<std::string>& a) {
        const std::string& word = s.Arg(a, 0);
        if (AsciiLower(word) == "off") {
            s.machine.clock.readable = false;
            return;
        }
        std::int64_t kHz = Scenario::Number(word);
        if (kHz <= 0) s.Fail("clock-counter: a rate in kHz above 0, or off");
        s.machine.clock.readable = true;
        s.machine.clock.cyclesPerMs = static_cast<std::uint64_t>(kHz);
    });
}

}  // namespace vel::sim
