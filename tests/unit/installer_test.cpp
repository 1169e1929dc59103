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
    const struct {
        const char* options;
        bool fromResource;
        PrivilegeProbe probe;
        const char* expected;
    } cases[] = {
        {"/qn", true, Privileged, "/qn"},
        {"/qb X=1 ", false, Unprivileged, "MSIINSTALLPERUSER=1 /qb X=1 "},
        {"", false, Privileged, "MSIINSTALLPERUSER=0 "},
    };
    for (const auto& c : cases) {
        probeCalls = 0;
        EXPECT_EQ(InstallerParameters("C:\\T\\P.msi", c.options, c.fromResource, c.probe),
                  std::string("/i \"C:\\T\\P.msi\" ") + c.expected);
        EXPECT_EQ(probeCalls, c.fromResource ? 0 : 1) << c.expected;
    }
}

TEST(ClassifyIntegrity, SplitsAtExactly0x2000And0x3000) {
    const IntegrityClass L = IntegrityClass::Low, M = IntegrityClass::Medium, H = IntegrityClass::High;
    const std::pair<DWORD, IntegrityClass> cases[] = {
        {0, L}, {0x1FFF, L}, {0x2000, M}, {0x2FFF, M}, {0x3000, H}, {0xFFFFFFFF, H}};
    for (const auto& c : cases) EXPECT_EQ(ClassifyIntegrity(c.first), c.second) << c.first;
}

TEST(ParamsText, StopsAtTheFirstNulOrTheResourceEnd) {
    const char text[] = "/qn\0X/qb past the resource";
    EXPECT_EQ(ParamsText({text, 8}), "/qn");
    EXPECT_EQ(ParamsText({text + 4, 4}), "X/qb");
    EXPECT_EQ(ParamsText({text, 0}), "");
    EXPECT_EQ(ParamsText({text + 3, 5}), "");
}
