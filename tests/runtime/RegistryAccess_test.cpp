#include "runtime/RegistryAccess.h"

#include <gtest/gtest.h>

#include "platform/sim/SimRegistry.h"
#include "runtime/Errors.h"

namespace vel {
namespace {

// A string value is text whether or not it names variables to expand: REG_EXPAND_SZ
// comes back as stored ("%ProgramFiles%" unexpanded); every other type is an error.
TEST(RegistryAccess, ReadsBothStringTypesAsTheirTextAndRefusesTheRest) {
    struct Case {
        RegValueType type;
        const char* data;
        const char* text;  // nullptr: the read raises
    } cases[] = {
        {RegValueType::String, "C:\\Program Files", "C:\\Program Files"},
        {RegValueType::ExpandString, "%ProgramFiles%\\Trelkon", "%ProgramFiles%\\Trelkon"},
        {RegValueType::ExpandString, "", ""},
        {RegValueType::DWord, "1", nullptr},
        {RegValueType::Binary, "ab", nullptr},
        {RegValueType::MultiString, "a", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        sim::Trace trace;
        sim::SimRegistry machine(trace);
        machine.Set("\\Software\\Trelkon\\Velvinor", "Dir", c.data, c.type);
        RegistryAccess registry(machine);
        ASSERT_TRUE(registry.OpenKey("\\Software\\Trelkon\\Velvinor", false));
        if (c.text) EXPECT_EQ(registry.ReadString("Dir"), c.text);
        else EXPECT_THROW(registry.ReadString("Dir"), Error);
        // A missing value reads as empty text.
        EXPECT_EQ(registry.ReadString("Missing"), "");
    }
}

}  // namespace
}  // namespace vel
