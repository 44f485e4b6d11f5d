#include "support/SimProgram.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vel::test {

std::string InstalledGame(const std::string& extra) {
    std::string text = "program \"C:\\Game\\Velvinor.exe\"\n";
    for (const char* file : kGameFiles) text += std::string("file \"C:\\Game\\") + file + "\"\n";
    return text + R"(reg "\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe" "Path" "C:\Game\"
reg "\Software\Trelkon\Velvinor" "" ""
)" + extra;
}

std::string RunScenario(const std::string& text) {
    sim::SimMachine machine;
    sim::Scenario scenario(machine);
    scenario.Run(text);
    return machine.trace.Text();
}

void RequireLineShape(const std::string& prefix) {
    for (const char* free : {"==", "> ", "#", " "})
        if (prefix.rfind(free, 0) == 0) return;
    if (!sim::Trace::KnownShape(prefix)) ADD_FAILURE() << "no trace line has the shape \"" << prefix << "\"";
}

std::vector<std::string> LinesStartingWith(const std::string& trace, const std::string& prefix) {
    RequireLineShape(prefix);
    std::vector<std::string> out;
    std::istringstream in(trace);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

}  // namespace vel::test
