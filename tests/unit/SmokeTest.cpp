#include "util/Utils.h"

#include <gtest/gtest.h>

TEST(Smoke, Runs) {
    EXPECT_EQ(WithTrailingBackslash(L""), L"\\");
}
