// The product's folders in the system's path style.

#include <gtest/gtest.h>

#include "runtime/Folders.h"
#include "runtime/Text.h"

namespace vel {
namespace {

TEST(Folders, FollowThePathStyle) {
    SetPathStyle(PathStyle::Posix);
    EXPECT_EQ(MakerFolder("/home/kid/.local/share"), "/home/kid/.local/share/Trelkon");
    EXPECT_EQ(DefaultProductFolder("/home/kid/.local/share"), "/home/kid/.local/share/Trelkon/Velvinor");
    SetPathStyle(PathStyle::Windows);
    EXPECT_EQ(MakerFolder("C:\\Program Files"), "C:\\Program Files\\Trelkon");
    EXPECT_EQ(DefaultProductFolder(""), "\\Trelkon\\Velvinor");
}

}  // namespace
}  // namespace vel
