// libFuzzer target: any bytes as a package, read for its product info as
// the maker reads it, by libmsi in a child process. Whatever libmsi does
// with them, the maker gets an answer it can act on and goes on.
#include <sys/mman.h>

#include <cstdint>

#include "fuzz_check.h"
#include "maker/descriptor_io.h"
#include "maker/isolated_package_info.h"
#include "maker/unique_fd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ZORVANE;
    using fuzz::Require;
    // In memory: the run leaves no file.
    const UniqueFd package(memfd_create("package", MFD_CLOEXEC));
    Require(package && WriteAll(package.get(), data, size));
    PackageInfo info;
    info.productName = "kept";
    ChildLimits limits;
    limits.timeoutMs = 10000;
    const PackageInfoResult read = ReadPackageInfoApart(package.get(), info, limits);
    Require(read.status != PackageInfoStatus::NoProcess);
    Require(read.status == PackageInfoStatus::Read || info.productName == "kept");
    return 0;
}
