#include "launch/tmp_file_generator.h"

#include <windows.h>

#include <cstdlib>

#include "core/exclusive_file.h"
#include "core/fatal_error.h"
#include "core/log.h"

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

// The folder as the platform returns it, ending in a backslash. Empty when
// the platform fails or the path does not fit its buffer (then nothing usable
// was written).
std::string TemporaryFolder() {
    char folder[MAX_PATH] = {};
    DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(folder, length);
}

std::string Candidate(const std::string& stem, unsigned index, const std::string& name) {
    return stem + std::to_string(index) + name;
}

}  // namespace

std::unique_ptr<TmpFileGenerator> TmpFileGenerator::Create(bool deleteOnDestroy,
                                                           const std::string& prefix,
                                                           const std::string& name) {
    std::unique_ptr<TmpFileGenerator> generator(new TmpFileGenerator(deleteOnDestroy));
    if (generator->Reserve(prefix, name)) {
        if (deleteOnDestroy) DeleteOnFatalError(generator->path_.c_str());
        return generator;
    }
    generator->deleteOnDestroy_ = false;  // nothing of ours to delete
    return nullptr;
}

bool TmpFileGenerator::Reserve(const std::string& prefix, const std::string& name) {
    SeedRandomGeneratorOnce();
    std::string folder = TemporaryFolder();
    if (folder.empty()) {
        WriteLog(kComponent, "Surprise", "error while trying to recive tmp folder path");
        return false;
    }
    const std::string stem = folder + prefix;
    if (ReserveSequentially(stem, name) || ReserveByRecycling(stem, name)) return true;
    WriteLog(kComponent, "Surprise", "faild to create file aborting operation");
    return false;
}

bool TmpFileGenerator::ReserveSequentially(const std::string& stem, const std::string& name) {
    for (unsigned index = 0; index < kSequentialNames; ++index) {
        path_ = Candidate(stem, index, name);
        if (CreateExclusiveFile(path_)) return true;
        WriteLog(kComponent, "Events", "found an existing file in the name trying again");
    }
    return false;
}

bool TmpFileGenerator::ReserveByRecycling(const std::string& stem, const std::string& name) {
    for (unsigned attempt = 0; attempt < kRecyclingAttempts; ++attempt) {
        WriteLog(kComponent, "Events",
                 "exceeded max file number, deleting a file and trying to create new one");
        path_ = Candidate(stem, static_cast<unsigned>(std::rand()) % kSequentialNames, name);
        // A file still in use by a running installer cannot be deleted, so it
        // is never taken from under it.
        if (!DeleteFileA(path_.c_str())) continue;
        if (CreateExclusiveFile(path_)) {
            WriteLog(kComponent, "Events", "found an empty file creating it");
            return true;
        }
        WriteLog(kComponent, "Events", "failed to create file");
    }
    return false;
}

void TmpFileGenerator::DeleteReservation() const {
    if (!DeleteFileA(path_.c_str())) WriteLog(kComponent, "Surprise", "could not delete file");
}

TmpFileGenerator::~TmpFileGenerator() {
    // Nothing here can raise: the product is built without exceptions.
    if (!deleteOnDestroy_) return;
    DeleteOnFatalError(nullptr);
    DeleteReservation();
}

std::string TmpFileGenerator::GetFileName() const { return path_; }

}  // namespace ZORVANE
