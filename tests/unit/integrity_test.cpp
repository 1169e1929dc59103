#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

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

// The lines the code under test writes to the debug output: with no
// debugger attached, OutputDebugStringA's exception reaches this process's
// vectored handlers first.
class DebugOutput {
public:
    DebugOutput() : handler_(AddVectoredExceptionHandler(1, Record)) { lines_.clear(); }
    ~DebugOutput() { RemoveVectoredExceptionHandler(handler_); }
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    static constexpr DWORD kDebugPrint = 0x40010006;  // DBG_PRINTEXCEPTION_C: length with NUL, text
    static LONG CALLBACK Record(EXCEPTION_POINTERS* exception) {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        if (record.ExceptionCode == kDebugPrint && record.NumberParameters >= 2 && record.ExceptionInformation[0] > 0) {
            lines_.emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]),
                                record.ExceptionInformation[0] - 1);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
    static inline std::vector<std::string> lines_;
    void* handler_;
};

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
// levels), with the level found logged; an option line is passed alone, and
// no level is read for it.
TEST(InstallerParameters, FollowTheIntegrityAnswerOnlyWithoutAnOptionLine) {
    struct Case {
        IntegrityReader reader;
        const char* choice;
        std::vector<std::string> lines;
    };
    const std::string low = "IsProcesPrivileged - Event Process has Low Integrity";
    const std::string medium = "IsProcesPrivileged - Event Process has Medium Integrity";
    const std::string high = "IsProcesPrivileged - Event Process has High Integrity";
    const Case cases[] = {
        {At<0>, "MSIINSTALLPERUSER=1 ", {low}},          // untrusted
        {At<0x1000>, "MSIINSTALLPERUSER=1 ", {low}},     // low
        {At<0x2000>, "MSIINSTALLPERUSER=1 ", {medium}},  // medium
        {At<0x2100>, "MSIINSTALLPERUSER=1 ", {medium}},  // medium-plus
        {At<0x3000>, "MSIINSTALLPERUSER=0 ", {high}},    // high
        {At<0x4000>, "MSIINSTALLPERUSER=0 ", {high}},    // system
        {NoAnswer, "MSIINSTALLPERUSER=0 ", {}},
    };
    const std::string start = "/i \"" + kPackage + "\" ";
    for (const Case& c : cases) {
        readings = 0;
        {
            const DebugOutput output;
            EXPECT_EQ(InstallerParameters(kPackage, "/qb X=1 ", false, c.reader), start + c.choice + "/qb X=1 ");
            EXPECT_EQ(output.Lines(), c.lines) << c.choice;
        }
        EXPECT_EQ(readings, 1);
        const DebugOutput output;
        EXPECT_EQ(InstallerParameters(kPackage, "/qn INSTALLDIR=\"C:\\A B\"", true, c.reader),
                  start + "/qn INSTALLDIR=\"C:\\A B\"");
        EXPECT_EQ(readings, 1) << "a level read for an option line";
        EXPECT_EQ(output.Lines(), std::vector<std::string>{});
    }
}
