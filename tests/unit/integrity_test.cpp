#include <gtest/gtest.h>

#include "launch/integrity.h"

using namespace ZORVANE;

// Wine runs every process at high integrity: the lower levels show only here.
TEST(ClassifyIntegrity, SplitsAtExactly0x2000And0x3000) {
    const IntegrityClass L = IntegrityClass::Low, M = IntegrityClass::Medium, H = IntegrityClass::High;
    const std::pair<DWORD, IntegrityClass> cases[] = {{0, L},      {0x1FFF, L}, {0x2000, M},
                                                      {0x2FFF, M}, {0x3000, H}, {0xFFFFFFFF, H}};
    for (const auto& c : cases) EXPECT_EQ(ClassifyIntegrity(c.first), c.second) << c.first;
}
