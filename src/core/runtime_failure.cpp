// Linked into the product only. Without exceptions, every way the C++ runtime
// reports a failure ends in FailFast; replacing these hooks also keeps the
// unwinder, the exception tables and the demangler out of the image.
#include <cstdlib>
#include <new>

#include "core/fatal_error.h"

using ZORVANE::FailFast;

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    FailFast();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace std {
void __throw_bad_alloc() { FailFast(); }
void __throw_bad_array_new_length() { FailFast(); }
void __throw_logic_error(const char*) { FailFast(); }
void __throw_length_error(const char*) { FailFast(); }
void __throw_out_of_range(const char*) { FailFast(); }
void __throw_out_of_range_fmt(const char*, ...) { FailFast(); }
void __throw_invalid_argument(const char*) { FailFast(); }
void __throw_domain_error(const char*) { FailFast(); }
void __throw_range_error(const char*) { FailFast(); }
void __throw_overflow_error(const char*) { FailFast(); }
void __throw_underflow_error(const char*) { FailFast(); }
void __throw_runtime_error(const char*) { FailFast(); }
}  // namespace std

namespace __gnu_cxx {
// The default handler prints the exception's type to a console a GUI program
// does not have, and brings the demangler with it.
void __verbose_terminate_handler() { FailFast(); }
}  // namespace __gnu_cxx
