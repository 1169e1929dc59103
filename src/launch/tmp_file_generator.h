// Reservation of a unique file in the user's temporary folder.
#pragma once

#include <stdexcept>
#include <string>

namespace ZORVANE {

// Raised when no temporary file could be reserved; ends the run.
class TmpFileGeneratorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reserves <temp folder><prefix><index><name> by exclusive creation. Indexes
// 0 to 3999 are tried in order; when all are taken, up to 100 randomly chosen
// old ones are deleted and taken anew. The constructor throws
// TmpFileGeneratorError when the temporary folder is unknown or no name could
// be reserved.
class TmpFileGenerator {
public:
    TmpFileGenerator(bool deleteOnDestroy, const std::string& prefix, const std::string& name);
    // Deletes the reserved file when asked to at construction; never throws.
    virtual ~TmpFileGenerator();

    TmpFileGenerator(const TmpFileGenerator&) = delete;
    TmpFileGenerator& operator=(const TmpFileGenerator&) = delete;

    virtual std::string GetFileName() const;

    static constexpr unsigned kSequentialNames = 4000;
    static constexpr unsigned kRecyclingAttempts = 100;

private:
    bool ReserveSequentially(const std::string& stem, const std::string& name);
    bool ReserveByRecycling(const std::string& stem, const std::string& name);
    void DeleteReservation() const;

    std::string path_;
    bool deleteOnDestroy_;
};

}  // namespace ZORVANE
