// pelmo.dll loaded where grell.dll cannot be found: it still loads, and
// every resource access comes back empty instead of failing hard.
#include "pelmo.h"

#include <gtest/gtest.h>

namespace {

template <typename Fn>
Fn Export(HMODULE dll, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

}  // namespace

TEST(MissingResourceLibrary, LibraryLoadsAndResourcesComeBackEmpty)
{
    ASSERT_EQ(nullptr, ::LoadLibraryA("grell.dll")) << "this test must run where grell.dll is absent";
    HMODULE dll = ::LoadLibraryA("pelmo.dll");
    ASSERT_NE(nullptr, dll);

    auto str = Export<decltype(&getGlobalStr)>(dll, "getGlobalStr");
    auto box = Export<decltype(&MessageBoxSkin)>(dll, "MessageBoxSkin");
    auto info = Export<decltype(&outPutInfo)>(dll, "outPutInfo");
    auto res = Export<decltype(&getGlobalRes)>(dll, "getGlobalRes");
    auto bitmap = Export<decltype(&getGlobalBitmap)>(dll, "getGlobalBitmap");
    auto region = Export<decltype(&getNumFromRegion)>(dll, "getNumFromRegion");
    auto init = Export<decltype(&InitFriendList)>(dll, "InitFriendList");
    ASSERT_TRUE(str && box && info && res && bitmap && region && init);

    char buffer[50] = "untouched";
    EXPECT_EQ(0, str(507, buffer, sizeof buffer));
    EXPECT_EQ(-1, box("text", "caption", 1, nullptr));
    EXPECT_EQ(-1, info(507, 507, nullptr));
    EXPECT_EQ(nullptr, res(8033, 5));
    EXPECT_EQ(nullptr, res(1, 6));
    EXPECT_EQ(nullptr, bitmap(3183));
    EXPECT_EQ(nullptr, region("")) << "no names to match, not even the empty one";
    EXPECT_EQ(1, init());

    EXPECT_TRUE(::FreeLibrary(dll));
}
