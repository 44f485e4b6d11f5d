// Scenario commands for clips, documents and print:
//
//   deny-read "PATH"       reading the file fails with access denied (code 5)
//   printer-jobs-fail      the default printer takes no page: every print job fails
//   move FORM L T W H      the user moves and sizes a window with its frame

#include "tools/scenario/Scenario.h"
#include "runtime/Text.h"

namespace vel::sim {

void AddMediaCommands(Scenario& sc) {
    using Args = std::vector<std::string>;
    sc.Add("deny-read", [](Scenario& s, const Args& a) { s.machine.files.DenyRead(Ru(s.Arg(a, 0))); });
    sc.Add("printer-jobs-fail", [](Scenario& s, const Args&) { s.machine.printer.failJobs = true; });
    sc.Add("move", [](Scenario& s, const Args& a) {
        auto* form = dynamic_cast<Form*>(&s.FindControl(s.Arg(a, 0)));
        if (!form) s.Fail("move: " + a[0] + " is not a window");
        auto n = [&](std::size_t i) { return static_cast<int>(s.Number(s.Arg(a, i))); };
        form->SetBounds({n(1), n(2), n(3), n(4)});
    }, true);
}

}  // namespace vel::sim
