#include <gtest/gtest.h>

#include <string>

#include "launch/tmp_file_generator.h"
#include "test_support.h"

using testing_support::DebugOutputRecorder;
using testing_support::FileSize;
using testing_support::PrivateTempFolder;
using testing_support::WriteFileBytes;
using ZORVANE::TmpFileGenerator;

namespace {

const char kTaken[] = "tmpFileGenerator - Events found an existing file in the name trying again";
const char kExceeded[] =
    "tmpFileGenerator - Events exceeded max file number, deleting a file and trying to create new one";

std::string Name(const PrivateTempFolder& temp, unsigned index) {
    return temp.File("TVX_INST" + std::to_string(index) + "Setup.msi");
}

}  // namespace

TEST(TmpFileGenerator, ReservesTheFirstFreeIndexAndDeletesItAtTheEnd) {
    PrivateTempFolder temp;
    for (unsigned index = 0; index < 3; ++index) WriteFileBytes(Name(temp, index), "taken");
    DebugOutputRecorder recorder;
    {
        auto generator = TmpFileGenerator::Create(true, "TVX_INST", "Setup.msi");
        ASSERT_NE(generator, nullptr);
        EXPECT_EQ(generator->GetFileName(), Name(temp, 3));
        EXPECT_EQ(FileSize(Name(temp, 3)), 0u);
    }
    EXPECT_EQ(FileSize(Name(temp, 3)), MAXDWORD);  // deleted
    EXPECT_EQ(recorder.Lines(), std::vector<std::string>(3, kTaken));
    EXPECT_EQ(FileSize(Name(temp, 0)), 5u);
}

// With all 4000 names taken, one that can be deleted is taken anew; when none
// can (a running installer holds it), the reservation fails after 100 tries.
TEST(TmpFileGenerator, RecyclesOnlyANameThatCanBeDeleted) {
    for (DWORD attributes : {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY}) {
        PrivateTempFolder temp;
        for (unsigned index = 0; index < TmpFileGenerator::kSequentialNames; ++index) {
            WriteFileBytes(Name(temp, index), "old");
            SetFileAttributesA(Name(temp, index).c_str(), attributes);
        }
        const bool deletable = attributes == FILE_ATTRIBUTE_NORMAL;
        DebugOutputRecorder recorder;
        auto generator = TmpFileGenerator::Create(false, "TVX_INST", "Setup.msi");
        ASSERT_EQ(generator != nullptr, deletable);
        if (generator) {
            EXPECT_EQ(FileSize(generator->GetFileName()), 0u);
        }
        EXPECT_EQ(recorder.Count(kTaken), 4000u);
        EXPECT_EQ(recorder.Count(kExceeded), deletable ? 1u : 100u);
        EXPECT_EQ(recorder.Lines().back(), deletable
                                               ? "tmpFileGenerator - Events found an empty file creating it"
                                               : "tmpFileGenerator - Surprise faild to create file aborting operation");
    }
}
