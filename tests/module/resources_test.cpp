#include "pelmo.h"
#include <gtest/gtest.h>
TEST(Placeholder, Builds) { EXPECT_EQ(0, getGlobalStr(1, nullptr, 10)); }
