#include <gtest/gtest.h>

#include <string>

#include "launch/installer_command_line.h"
#include "launch/integrity.h"

using namespace ZORVANE;

namespace {

int readings = 0;  // how often a level was read

template <DWORD kLevel>
IntegrityLevel At() {
    ++readings;
    return kLevel;
}

IntegrityLevel NoAnswer() {
    ++readings;
    return std::nullopt;
}

const std::string kPackage = "C:\\Users\\Dmitry\\AppData\\Local\\Temp\\TVX_INST0Setup.msi";

}  // namespace

// Wine runs every process at high integrity: the lower levels show only here.
TEST(ClassifyIntegrity, SplitsAtExactly0x2000And0x3000) {
    const IntegrityClass L = IntegrityClass::Low, M = IntegrityClass::Medium, H = IntegrityClass::High;
    const std::pair<DWORD, IntegrityClass> cases[] = {{0, L},      {0x1FFF, L}, {0x2000, M},
                                                      {0x2FFF, M}, {0x3000, H}, {0xFFFFFFFF, H}};
    for (const auto& c : cases) EXPECT_EQ(ClassifyIntegrity(c.first), c.second) << c.first;
}

// Per-user below high integrity, per-machine at high integrity and when the
// level cannot be read (a token that cannot be read, a system without
// levels); an option line is passed alone, and no level is read for it.
TEST(InstallerParameters, FollowTheIntegrityAnswerOnlyWithoutAnOptionLine) {
    const std::pair<IntegrityReader, const char*> cases[] = {
        {At<0>, "MSIINSTALLPERUSER=1 "},       // untrusted
        {At<0x1000>, "MSIINSTALLPERUSER=1 "},  // low
        {At<0x2000>, "MSIINSTALLPERUSER=1 "},  // medium
        {At<0x2100>, "MSIINSTALLPERUSER=1 "},  // medium-plus
        {At<0x3000>, "MSIINSTALLPERUSER=0 "},  // high
        {At<0x4000>, "MSIINSTALLPERUSER=0 "},  // system
        {NoAnswer, "MSIINSTALLPERUSER=0 "},
    };
    const std::string start = "/i \"" + kPackage + "\" ";
    for (const auto& [reader, choice] : cases) {
        readings = 0;
        EXPECT_EQ(InstallerParameters(kPackage, "/qb X=1 ", false, reader), start + choice + "/qb X=1 ") << choice;
        EXPECT_EQ(readings, 1);
        EXPECT_EQ(InstallerParameters(kPackage, "/qn INSTALLDIR=\"C:\\A B\"", true, reader),
                  start + "/qn INSTALLDIR=\"C:\\A B\"");
        EXPECT_EQ(readings, 1) << "a level read for an option line";
    }
}
