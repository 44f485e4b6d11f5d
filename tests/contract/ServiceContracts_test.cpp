// The service contracts against the simulated machine; tests/wine/contract runs the
// same ones against the real services under Wine.

#include <gtest/gtest.h>

#include "contract/ServiceContracts.h"
#include "platform/sim/SimMachine.h"

namespace vel {
namespace {

std::string Failures(const contract::Report& report) {
    std::string out;
    for (const auto& f : report.failures) out += "\n  " + AnsiToUtf8(f);
    return out;
}

TEST(ServiceContracts, SimulatedServicesKeepThem) {
    sim::SimMachine machine;
    contract::Report report;
    contract::RegistryContract(machine.registry, "\\Software\\VelvinorContract", report);
    contract::FilesContract(machine.files, machine.shell, "C:\\VelvinorContract", report);
    contract::ProcessContract(machine.process, "VelvinorContract", report);
    contract::DdeContract(machine.dde, report);
    EXPECT_TRUE(report.failures.empty()) << Failures(report);
}

}  // namespace
}  // namespace vel
