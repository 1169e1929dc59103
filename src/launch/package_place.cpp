#include "launch/package_place.h"

#include "core/log.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

constexpr char kTemporaryPrefix[] = "TVX_INST";

std::string ReservationProblem(const ReservationFailure& failure) {
    const char* const folder = failure.folder.c_str();
    if (failure.folder.empty()) return "the temporary folder is unknown.";
    if (failure.error == 0) return Formatted("the temporary folder %s holds no free file name.", folder);
    return Formatted("no file can be created in the temporary folder %s: %s", folder,
                     SystemErrorText(failure.error).c_str());
}

}  // namespace

PackagePlace ChoosePackagePlace(const std::string& packageName) {
    TmpFileReservation reservation = TmpFileGenerator::Create(true, kTemporaryPrefix, packageName);
    if (!reservation.generator) {
        // Logged by the generator.
        const ReservationFailure& failure = reservation.failure;
        return {nullptr, LaunchResult::Failed(ReservationProblem(failure), failure.error)};
    }
    return {std::move(reservation.generator), LaunchResult()};
}

}  // namespace ZORVANE
