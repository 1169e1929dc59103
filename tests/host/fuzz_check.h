// The fuzz targets' one check: a broken promise ends the run, and libFuzzer
// keeps the input that broke it.
#pragma once

#include <cstdlib>

namespace ZORVANE {
namespace fuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace fuzz
}  // namespace ZORVANE
