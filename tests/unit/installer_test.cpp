#include <gtest/gtest.h>

#include <string>

#include "launch/installer_command_line.h"
#include "launch/integrity.h"
#include "launch/own_resource.h"

using namespace ZORVANE;

namespace {
int probeCalls = 0;
bool Privileged() { ++probeCalls; return true; }
bool Unprivileged() { ++probeCalls; return false; }
}  // namespace

TEST(InstallerParameters, ComposesTheFixedPartTheChoiceAndTheOptions) {
    struct Case {
        std::string options;
        bool fromResource;
        PrivilegeProbe probe;
        std::string expected;
        int probeCalls;
    } cases[] = {
        {"/qn", true, Privileged, "/i \"C:\\T\\TVX_INST0Setup.msi\" /qn", 0},
        {"/qb X=1 ", false, Unprivileged, "/i \"C:\\T\\TVX_INST0Setup.msi\" MSIINSTALLPERUSER=1 /qb X=1 ", 1},
        {"", false, Privileged, "/i \"C:\\T\\TVX_INST0Setup.msi\" MSIINSTALLPERUSER=0 ", 1},
    };
    for (const Case& c : cases) {
        probeCalls = 0;
        EXPECT_EQ(InstallerParameters("C:\\T\\TVX_INST0Setup.msi", c.options, c.fromResource, c.probe), c.expected);
        EXPECT_EQ(probeCalls, c.probeCalls) << c.expected;
    }
}

TEST(ClassifyIntegrity, SplitsAtExactly0x2000And0x3000) {
    EXPECT_EQ(ClassifyIntegrity(0x0000), IntegrityClass::Low);
    EXPECT_EQ(ClassifyIntegrity(0x1FFF), IntegrityClass::Low);
    EXPECT_EQ(ClassifyIntegrity(0x2000), IntegrityClass::Medium);
    EXPECT_EQ(ClassifyIntegrity(0x2FFF), IntegrityClass::Medium);
    EXPECT_EQ(ClassifyIntegrity(0x3000), IntegrityClass::High);
    EXPECT_EQ(ClassifyIntegrity(0x4000), IntegrityClass::High);
    EXPECT_EQ(ClassifyIntegrity(0xFFFFFFFF), IntegrityClass::High);
}

TEST(ParamsText, StopsAtTheFirstNulOrTheResourceEnd) {
    const char withNul[] = {'/', 'q', 'n', '\0', 'X'};
    const char withoutNul[] = {'/', 'q', 'b'};
    EXPECT_EQ(ParamsText({withNul, sizeof withNul}), "/qn");
    EXPECT_EQ(ParamsText({withoutNul, sizeof withoutNul}), "/qb");
    EXPECT_EQ(ParamsText({withNul, 0}), "");
    EXPECT_EQ(ParamsText({"\0/qn", 4}), "");
    const std::string long_(4096, 'p');
    EXPECT_EQ(ParamsText({long_.data(), static_cast<DWORD>(long_.size())}), long_);
}
