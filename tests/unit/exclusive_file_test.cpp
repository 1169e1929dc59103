// How a name that cannot be created is classified: a name that is taken lets
// the search go on, a folder that takes no file ends it.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/exclusive_file.h"
#include "core/unique_handles.h"
#include "core/wide_text.h"
#include "test_folder.h"

using namespace ZORVANE;

namespace {

struct Case {
    const char* what;
    // Makes the case in the folder and returns the path to reserve.
    std::function<std::string(TestFolder&)> make;
    Reservation outcome;
    DWORD error;
};

// Deletion asked for through a handle that stays open: the name is still there.
UniqueFile PendingDeletion(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, 0, nullptr));
    FILE_DISPOSITION_INFO disposition = {TRUE};
    EXPECT_TRUE(SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition)));
    return file;
}

}  // namespace

TEST(CreateExclusiveFile, ClassifiesEveryNameItCannotCreate) {
    TestFolder folder("unit-reserve");
    UniqueFile pending;
    const Case cases[] = {
        {"a free name", [](TestFolder& f) { return f.Path("free"); }, Reservation::Made, ERROR_SUCCESS},
        {"an existing file", [](TestFolder& f) { return f.File("file", "x"); }, Reservation::NameTaken,
         ERROR_FILE_EXISTS},
        {"a read-only file",
         [](TestFolder& f) {
             const std::string path = f.File("read-only", "x");
             SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
             return path;
         },
         Reservation::NameTaken, ERROR_FILE_EXISTS},
        {"a folder under the name",
         [](TestFolder& f) {
             const std::string path = f.Path("folder");
             CreateDirectoryA(path.c_str(), nullptr);
             return path;
         },
         Reservation::NameTaken, ERROR_FILE_EXISTS},
        // Wine keeps such a name open to all and answers "exists"; Windows
        // answers access denied (delete pending), which the table below covers.
        {"a file pending deletion",
         [&pending](TestFolder& f) {
             const std::string path = f.Path("pending");
             pending = PendingDeletion(path);
             return path;
         },
         Reservation::NameTaken, ERROR_FILE_EXISTS},
        {"a missing folder", [](TestFolder& f) { return f.path() + "missing\\file"; }, Reservation::FolderRefused,
         ERROR_PATH_NOT_FOUND},
        {"an invalid name", [](TestFolder& f) { return f.path() + "a<b"; }, Reservation::FolderRefused,
         ERROR_INVALID_NAME},
        {"a path too long", [](TestFolder& f) { return f.path() + std::string(MAX_PATH, 'x'); },
         Reservation::FolderRefused, ERROR_FILENAME_EXCED_RANGE},
        {"a path that is no UTF-8", [](TestFolder& f) { return f.path() + "\xFF"; }, Reservation::FolderRefused,
         ERROR_NO_UNICODE_TRANSLATION},
    };
    for (const Case& c : cases) {
        const std::string path = c.make(folder);
        const ReservationResult closed = CreateExclusiveFile(path);
        if (closed.outcome == Reservation::Made) DeleteFileA(path.c_str());
        const WritableReservation open = CreateExclusiveFileForWriting(path);
        for (const ReservationResult& result : {closed, open.result}) {
            EXPECT_EQ(result.outcome, c.outcome) << c.what;
            EXPECT_EQ(result.error, c.error) << c.what;
        }
        EXPECT_EQ(static_cast<bool>(open.writer), c.outcome == Reservation::Made) << c.what;
    }
}

// Access denied means that name when something holds it (a read-only file
// or folder, a file pending deletion), the folder when nothing does.
TEST(ClassifyRefusal, AccessDeniedConcernsTheNameOnlyWhenSomethingHoldsIt) {
    TestFolder folder("unit-classify");
    std::wstring held, free;
    ASSERT_TRUE(Widen(folder.File("held", "x"), held));
    ASSERT_TRUE(Widen(folder.path() + "free", free));
    const std::wstring missingFolder = free + L"\\file";
    struct Refusal {
        DWORD error;
        const std::wstring& path;
        Reservation outcome;
    };
    const Refusal refusals[] = {
        {ERROR_ACCESS_DENIED, held, Reservation::NameTaken},
        {ERROR_ACCESS_DENIED, free, Reservation::FolderRefused},
        {ERROR_ACCESS_DENIED, missingFolder, Reservation::FolderRefused},
        {ERROR_FILE_EXISTS, held, Reservation::NameTaken},
        {ERROR_ALREADY_EXISTS, held, Reservation::NameTaken},
        {ERROR_SHARING_VIOLATION, held, Reservation::NameTaken},
        {ERROR_PATH_NOT_FOUND, free, Reservation::FolderRefused},
        {ERROR_DISK_FULL, free, Reservation::FolderRefused},
        {ERROR_WRITE_PROTECT, held, Reservation::FolderRefused},
    };
    for (const Refusal& r : refusals) EXPECT_EQ(ClassifyRefusal(r.error, r.path), r.outcome) << r.error;
}

// Until its writer is closed, the new file is this launch's alone.
TEST(CreateExclusiveFile, AWritableReservationLetsOthersOnlyRead) {
    TestFolder folder("unit-writer");
    const std::string path = folder.Path("reserved");
    WritableReservation reserved = CreateExclusiveFileForWriting(path);
    ASSERT_TRUE(reserved.writer);
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, all, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".moved").c_str()));
    UniqueFile reader(CreateFileA(path.c_str(), GENERIC_READ, all, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
}
