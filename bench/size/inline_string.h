// Size cut (given with -include): libstdc++ declares std::string's members as
// instantiated in the library (extern template), so one use links the whole
// instantiation (string-inst.o, about 33 KB on i686, kept whole because the
// library is not built with -ffunction-sections). Turning the declaration off
// lets the compiler instantiate only what is used. The value -1 is the
// library's own switch for exactly that (it is what _GLIBCXX_ASSERTIONS
// sets); compiling as C++20 does the same.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
