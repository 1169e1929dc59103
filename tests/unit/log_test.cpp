#include <gtest/gtest.h>

#include <string>

#include "core/log.h"
#include "test_support.h"

TEST(WriteLog, CutsOnlyTheMessageAt1023Characters) {
    testing_support::DebugOutputRecorder recorder;
    const std::string component(300, 'c');
    const std::string inserted(5000, 'x');
    ZORVANE::WriteLog(component.c_str(), "Surprise", "unknown command: %s", inserted.c_str());
    const std::string message = ("unknown command: " + inserted).substr(0, 1023);
    EXPECT_EQ(recorder.Lines(), std::vector<std::string>{component + " - Surprise " + message});
}
