// Reservation of a unique file in the user's temporary folder.
#pragma once

#include <memory>
#include <string>

namespace ZORVANE {

// Reserves <temp folder><prefix><index><name> by exclusive creation. Indexes
// 0 to 3999 are tried in order; when all are taken, up to 100 randomly chosen
// old ones are deleted and taken anew.
class TmpFileGenerator {
public:
    // The generator that owns the reserved file, or nothing when the
    // temporary folder is unknown or no name could be reserved (logged); the
    // caller then abandons its run.
    static std::unique_ptr<TmpFileGenerator> Create(bool deleteOnDestroy, const std::string& prefix,
                                                    const std::string& name);
    // Deletes the reserved file when asked to at construction, as does a
    // fatal error while the generator lives.
    virtual ~TmpFileGenerator();

    TmpFileGenerator(const TmpFileGenerator&) = delete;
    TmpFileGenerator& operator=(const TmpFileGenerator&) = delete;

    virtual std::string GetFileName() const;

    static constexpr unsigned kSequentialNames = 4000;
    static constexpr unsigned kRecyclingAttempts = 100;

private:
    explicit TmpFileGenerator(bool deleteOnDestroy) : deleteOnDestroy_(deleteOnDestroy) {}
    bool Reserve(const std::string& prefix, const std::string& name);
    bool ReserveSequentially(const std::string& stem, const std::string& name);
    bool ReserveByRecycling(const std::string& stem, const std::string& name);
    void DeleteReservation() const;

    std::string path_;
    bool deleteOnDestroy_;
};

}  // namespace ZORVANE
