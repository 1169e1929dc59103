// Reservation of a unique file in the user's temporary folder.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/fatal_error.h"
#include "core/unique_handles.h"

namespace ZORVANE {

// Why no file could be reserved.
struct ReservationFailure {
    std::string folder;  // the temporary folder, empty when it is unknown
    DWORD error = 0;     // the platform's reason when the folder refused, 0 when all names were taken
};

class TmpFileGenerator;

struct TmpFileReservation {
    std::unique_ptr<TmpFileGenerator> generator;  // empty when no name could be reserved
    ReservationFailure failure;                   // why, then
};

// Reserves <temp folder><prefix><index><name> by exclusive creation. Indexes
// 0 to 3999 are tried in order; when all are taken, up to 100 randomly chosen
// old ones are deleted and taken anew. A folder that refuses new files ends
// the search at once. Paths are UTF-8.
class TmpFileGenerator {
public:
    // The generator that owns the reserved file, or nothing when no name
    // could be reserved (logged, and described in the failure); the caller
    // then abandons its run.
    [[nodiscard]] static TmpFileReservation Create(bool deleteOnDestroy, const std::string& prefix,
                                                   const std::string& name);
    // Deletes the reserved file when asked to at construction, as does a
    // fatal error while the generator lives.
    virtual ~TmpFileGenerator();

    TmpFileGenerator(const TmpFileGenerator&) = delete;
    TmpFileGenerator& operator=(const TmpFileGenerator&) = delete;

    virtual std::string GetFileName() const;

    // The reserved file, still open for writing from its creation (borrowed):
    // only this launch can have changed it until CloseWriter.
    HANDLE Writer() const { return writer_.get(); }
    // Closes the writer; the platform's error when that failed (what was
    // written may then not have reached the file), otherwise ERROR_SUCCESS.
    [[nodiscard]] DWORD CloseWriter();

    static constexpr unsigned kSequentialNames = 4000;
    static constexpr unsigned kRecyclingAttempts = 100;

private:
    explicit TmpFileGenerator(bool deleteOnDestroy) : deleteOnDestroy_(deleteOnDestroy) {}
    [[nodiscard]] bool Reserve(const std::string& prefix, const std::string& name, ReservationFailure& failure);
    [[nodiscard]] bool ReserveSequentially(const std::string& stem, const std::string& name, DWORD& refusal);
    [[nodiscard]] bool ReserveByRecycling(const std::string& stem, const std::string& name);
    void DeleteReservation() const;

    std::string path_;
    bool deleteOnDestroy_;
    UniqueFile writer_;
    // A fatal error closes the writer, then deletes the file.
    std::unique_ptr<DeletedOnFatalError> fatalCleanup_;
    std::unique_ptr<ClosedOnFatalError> fatalClose_;
};

}  // namespace ZORVANE
