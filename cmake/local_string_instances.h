// Force-included into the product's sources. libstdc++ declares std::string's
// members as instantiated in the library (extern template), so one use links
// the library's whole instantiation, built with exceptions, and the unwinder
// with it. -1 is the library's own setting for "instantiate strings where
// used" (what it does itself from C++20 on); only what is used is then built,
// without exceptions.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
