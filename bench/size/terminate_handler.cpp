// Size cut: the default terminate handler of libstdc++ prints the type of an
// uncaught exception, and pulls in the C++ demangler and the mingw printf
// family for it. A GUI program has no console to print to; this one only
// aborts, as the verbose one does after printing.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
