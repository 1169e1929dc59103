#include <gtest/gtest.h>

#include "core/dispatch.h"

TEST(MakeUpdateCommand, AcceptsOnlyTheSwitchInAnyAsciiCase) {
    for (const char* word : {"-update", "-UPDATE", "-Update", "-uPdAtE"}) {
        EXPECT_NE(ZORVANE::MakeUpdateCommand(word), nullptr) << word;
    }
    for (const char* word :
         {"/update", "--update", "update", "-updatex", "-update=1", "-updat", "", "-\xC3\x9Cpdate"}) {
        EXPECT_EQ(ZORVANE::MakeUpdateCommand(word), nullptr) << word;
    }
}
