#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "launch/tmp_file_generator.h"
#include "test_support.h"

using testing_support::DebugOutputRecorder;
using testing_support::FileExists;
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

void TakeAllNames(const PrivateTempFolder& temp, DWORD attributes) {
    for (unsigned index = 0; index < TmpFileGenerator::kSequentialNames; ++index) {
        WriteFileBytes(Name(temp, index), "old");
        SetFileAttributesA(Name(temp, index).c_str(), attributes);
    }
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
    EXPECT_FALSE(FileExists(Name(temp, 3)));
    EXPECT_EQ(recorder.Count(kTaken), 3u);
    EXPECT_EQ(recorder.Lines().size(), 3u);
    EXPECT_EQ(FileSize(Name(temp, 0)), 5u);  // earlier files untouched
}

TEST(TmpFileGenerator, LogsWhenItsFileWasRemovedBySomeoneElse) {
    PrivateTempFolder temp;
    DebugOutputRecorder recorder;
    {
        auto generator = TmpFileGenerator::Create(true, "TVX_INST", "Setup.msi");
        ASSERT_NE(generator, nullptr);
        DeleteFileA(generator->GetFileName().c_str());
    }
    EXPECT_EQ(recorder.Count("tmpFileGenerator - Surprise could not delete file"), 1u);
}

TEST(TmpFileGenerator, RecyclesAnOldNameWhenAll4000AreTaken) {
    PrivateTempFolder temp;
    TakeAllNames(temp, FILE_ATTRIBUTE_NORMAL);
    DebugOutputRecorder recorder;
    auto generator = TmpFileGenerator::Create(false, "TVX_INST", "Setup.msi");
    ASSERT_NE(generator, nullptr);
    const std::string path = generator->GetFileName();
    EXPECT_EQ(path.rfind(temp.File("TVX_INST"), 0), 0u);
    EXPECT_EQ(FileSize(path), 0u);  // created anew, empty
    EXPECT_EQ(recorder.Count(kTaken), 4000u);
    EXPECT_EQ(recorder.Count(kExceeded), 1u);
    EXPECT_EQ(recorder.Lines().back(), "tmpFileGenerator - Events found an empty file creating it");
}

TEST(TmpFileGenerator, FailsAfter100AttemptsWhenNoNameCanBeDeleted) {
    PrivateTempFolder temp;
    TakeAllNames(temp, FILE_ATTRIBUTE_READONLY);
    DebugOutputRecorder recorder;
    EXPECT_EQ(TmpFileGenerator::Create(true, "TVX_INST", "Setup.msi"), nullptr);
    EXPECT_EQ(recorder.Count(kExceeded), 100u);
    EXPECT_EQ(recorder.Lines().back(), "tmpFileGenerator - Surprise faild to create file aborting operation");
    EXPECT_EQ(FileSize(Name(temp, 0)), 3u);  // nothing overwritten
}

TEST(TmpFileGenerator, FailsWhenTheTemporaryFolderIsMissing) {
    PrivateTempFolder temp;
    const std::string missing = temp.File("missing\\");
    SetEnvironmentVariableA("TMP", missing.c_str());
    DebugOutputRecorder recorder;
    EXPECT_EQ(TmpFileGenerator::Create(true, "TVX_INST", "Setup.msi"), nullptr);
    EXPECT_EQ(recorder.Count(kTaken), 4000u);
    EXPECT_EQ(recorder.Count(kExceeded), 100u);
    EXPECT_EQ(recorder.Lines().size(), 4101u);
}

TEST(TmpFileGenerator, FailsWhenTheTemporaryFolderPathDoesNotFit) {
    PrivateTempFolder temp;
    const std::string tooLong = "C:\\" + std::string(300, 'd') + "\\";
    SetEnvironmentVariableA("TMP", tooLong.c_str());
    DebugOutputRecorder recorder;
    EXPECT_EQ(TmpFileGenerator::Create(true, "TVX_INST", "Setup.msi"), nullptr);
    ASSERT_EQ(recorder.Lines().size(), 1u);
    EXPECT_EQ(recorder.Lines()[0], "tmpFileGenerator - Surprise error while trying to recive tmp folder path");
}
