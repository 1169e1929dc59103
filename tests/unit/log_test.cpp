#include <gtest/gtest.h>

#include <string>

#include "core/log.h"
#include "test_support.h"

using testing_support::DebugOutputRecorder;
using ZORVANE::WriteLog;

TEST(WriteLog, JoinsComponentCategoryAndFormattedMessage) {
    DebugOutputRecorder recorder;
    WriteLog("tmpFileGenerator", "Events", "found an existing file in the name trying again");
    WriteLog("CreateNewWrapper", "Events", "Found new file name:%s", "New.exe");
    WriteLog("DefaultAction", "Surprise", "%s", "");
    ASSERT_EQ(recorder.Lines().size(), 3u);
    EXPECT_EQ(recorder.Lines()[0], "tmpFileGenerator - Events found an existing file in the name trying again");
    EXPECT_EQ(recorder.Lines()[1], "CreateNewWrapper - Events Found new file name:New.exe");
    EXPECT_EQ(recorder.Lines()[2], "DefaultAction - Surprise ");
}

TEST(WriteLog, CutsOnlyTheMessageAt1023Characters) {
    DebugOutputRecorder recorder;
    const std::string component(300, 'c');
    const std::string inserted(5000, 'x');
    WriteLog(component.c_str(), "Surprise", "unknown command: %s", inserted.c_str());
    ASSERT_EQ(recorder.Lines().size(), 1u);
    const std::string message = ("unknown command: " + inserted).substr(0, 1023);
    EXPECT_EQ(recorder.Lines()[0], component + " - Surprise " + message);
}
