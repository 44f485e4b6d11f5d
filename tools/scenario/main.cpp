// velvinor_scenario: runs the program on a simulated machine from a scenario file
// and prints the trace.

#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/scenario/Scenario.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velvinor_scenario SCENARIO-FILE\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    vel::sim::SimMachine machine;
    vel::sim::Scenario scenario(machine);
    try {
        scenario.Run(text.str());
    } catch (const vel::sim::ScenarioError& error) {
        // The trace so far shows where the run stood; the error names the
        // scenario's own line, as a compiler names a source line.
        std::cout << machine.trace.Text();
        std::cerr << argv[1] << ":";
        if (error.line() > 0) std::cerr << error.line() << ":";
        std::cerr << " " << error.message() << "\n";
        return 1;
    }
    std::cout << machine.trace.Text();
    return 0;
}
