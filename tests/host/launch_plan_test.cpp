// The launch's options and its silence, chosen once from the option line or
// the arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/launch_plan.h"

using namespace ZORVANE;

TEST(LaunchPlan, TheOptionLineOrElseTheArgumentsDecideOptionsAndSilence) {
    struct Case {
        std::string optionLine;
        std::vector<std::string> arguments;
        std::string options;
        bool fromResource;
        bool silent;
    };
    const Case cases[] = {
        {"/qn", {"/qb", "X=1"}, "/qn", true, true},  // the arguments are ignored
        {"", {"/qb", "X=1"}, "/qb X=1 ", false, false},
        {"", {}, "", false, false},
        {"", {"/QUIET", "DIR=C:\\Program Files\\X"}, "/QUIET DIR=\"C:\\Program Files\\X\" ", false, true},
        // Silence follows the options in force, never the arguments they override.
        {"/qb", {"/qn"}, "/qb", true, false},
        {"REBOOT=ReallySuppress", {"/passive"}, "REBOOT=ReallySuppress", true, false},
        {"/q REBOOT=ReallySuppress", {}, "/q REBOOT=ReallySuppress", true, true},
        {" ", {"/qn"}, " ", true, false},  // a line of blanks is a line
    };
    for (const Case& c : cases) {
        const LaunchPlan plan = MakeLaunchPlan(c.optionLine, c.arguments);
        EXPECT_EQ(plan.options, c.options) << c.optionLine;
        EXPECT_EQ(plan.optionsFromResource, c.fromResource) << c.optionLine;
        EXPECT_EQ(plan.silent, c.silent) << c.optionLine << " / " << c.options;
    }
}
