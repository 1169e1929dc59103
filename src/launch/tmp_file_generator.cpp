#include "launch/tmp_file_generator.h"

#include <cstdlib>

#include "core/exclusive_file.h"
#include "core/log.h"
#include "core/utf8_files.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

constexpr char kComponent[] = "tmpFileGenerator";

bool randomGeneratorSeeded = false;

void SeedRandomGeneratorOnce() {
    if (randomGeneratorSeeded) return;
    // The process id keeps launchers started in the same tick from walking
    // the same names.
    std::srand(GetTickCount() ^ GetCurrentProcessId());
    randomGeneratorSeeded = true;
}

// The folder as the platform returns it, ending in a backslash, in UTF-8.
// Empty when the platform fails or the path does not fit its buffer (then
// nothing usable was written).
std::string TemporaryFolder() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    std::string path;
    if (length == 0 || length >= MAX_PATH || !Narrow(folder, length, path)) return std::string();
    return path;
}

std::string Candidate(const std::string& stem, unsigned index, const std::string& name) {
    return stem + std::to_string(index) + name;
}

}  // namespace

TmpFileReservation TmpFileGenerator::Create(bool deleteOnDestroy, const std::string& prefix, const std::string& name) {
    TmpFileReservation reservation;
    std::unique_ptr<TmpFileGenerator> generator(new TmpFileGenerator(deleteOnDestroy));
    if (!generator->Reserve(prefix, name, reservation.failure)) {
        generator->deleteOnDestroy_ = false;  // nothing of ours to delete
        return reservation;
    }
    std::wstring path;
    if (deleteOnDestroy && Widen(generator->path_, path)) {
        generator->fatalCleanup_ = std::make_unique<DeletedOnFatalError>(std::move(path));
    }
    generator->fatalClose_ = std::make_unique<ClosedOnFatalError>(generator->writer_.get());
    reservation.generator = std::move(generator);
    return reservation;
}

DWORD TmpFileGenerator::CloseWriter() {
    fatalClose_.reset();
    if (!writer_) return ERROR_SUCCESS;
    const BOOL closed = CloseHandle(writer_.release());
    return closed ? ERROR_SUCCESS : GetLastError();
}

bool TmpFileGenerator::Reserve(const std::string& prefix, const std::string& name, ReservationFailure& failure) {
    SeedRandomGeneratorOnce();
    failure = ReservationFailure();
    failure.folder = TemporaryFolder();
    if (failure.folder.empty()) {
        WriteLog(kComponent, "Surprise", "error while trying to recive tmp folder path");
        return false;
    }
    const std::string stem = failure.folder + prefix;
    if (ReserveSequentially(stem, name, failure.error)) return true;
    if (failure.error != 0) {
        // Other names would fail alike, and recycling would delete files for nothing.
        WriteLog(kComponent, "Surprise", "tmp folder refuses new files, error %lu: %s", failure.error, path_.c_str());
        return false;
    }
    if (ReserveByRecycling(stem, name)) return true;
    WriteLog(kComponent, "Surprise", "faild to create file aborting operation");
    return false;
}

bool TmpFileGenerator::ReserveSequentially(const std::string& stem, const std::string& name, DWORD& refusal) {
    for (unsigned index = 0; index < kSequentialNames; ++index) {
        path_ = Candidate(stem, index, name);
        WritableReservation reserved = CreateExclusiveFileForWriting(path_);
        const ReservationResult result = reserved.result;
        if (result.outcome == Reservation::Made) {
            writer_ = std::move(reserved.writer);
            return true;
        }
        if (result.outcome == Reservation::FolderRefused) {
            refusal = result.error;
            return false;
        }
        WriteLog(kComponent, "Events", "found an existing file in the name trying again");
    }
    return false;
}

bool TmpFileGenerator::ReserveByRecycling(const std::string& stem, const std::string& name) {
    for (unsigned attempt = 0; attempt < kRecyclingAttempts; ++attempt) {
        WriteLog(kComponent, "Events", "exceeded max file number, deleting a file and trying to create new one");
        path_ = Candidate(stem, static_cast<unsigned>(std::rand()) % kSequentialNames, name);
        // A file still in use by a running installer cannot be deleted, so it
        // is never taken from under it.
        if (!DeleteFileAt(path_)) continue;
        WritableReservation reserved = CreateExclusiveFileForWriting(path_);
        if (reserved.result.outcome == Reservation::Made) {
            writer_ = std::move(reserved.writer);
            WriteLog(kComponent, "Events", "found an empty file creating it");
            return true;
        }
        WriteLog(kComponent, "Events", "failed to create file");
    }
    return false;
}

void TmpFileGenerator::DeleteReservation() const {
    if (!DeleteFileAt(path_)) WriteLog(kComponent, "Surprise", "could not delete file");
}

TmpFileGenerator::~TmpFileGenerator() {
    // Nothing here can raise: the product is built without exceptions.
    fatalClose_.reset();
    writer_.reset();  // an open writer would keep the file from being deleted
    fatalCleanup_.reset();
    if (deleteOnDestroy_) DeleteReservation();
}

std::string TmpFileGenerator::GetFileName() const { return path_; }

}  // namespace ZORVANE
