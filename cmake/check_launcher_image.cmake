# Run after the launcher is linked (cmake -DIMAGE=... -DLIMIT=... -P): its
# size rests on two toolchain assumptions that a compiler or library update
# can break without any other sign.
#   src/core/runtime_failure.cpp replaces libstdc++'s std::__throw_* and the
#     verbose terminate handler (GCC 12's names), which keeps the unwinder,
#     exception tables and demangler out of the image;
#   cmake/local_string_instances.h undefines _GLIBCXX_EXTERN_TEMPLATE, so
#     std::string is built where used, without exceptions.
file(SIZE "${IMAGE}" size)

# The demangler's own names, which nothing else in the launcher contains.
file(STRINGS "${IMAGE}" demangler REGEX "\\(anonymous namespace\\)|decltype\\(nullptr\\)" LIMIT_COUNT 1)
if(demangler)
  message(FATAL_ERROR "${IMAGE} contains the C++ demangler ('${demangler}'): the runtime's failure hooks "
    "no longer replace libstdc++'s (src/core/runtime_failure.cpp defines std::__throw_* and "
    "__gnu_cxx::__verbose_terminate_handler as GCC 12 names them); check the toolchain's libstdc++.")
endif()
if(size GREATER LIMIT)
  message(FATAL_ERROR "${IMAGE} is ${size} bytes, over its limit of ${LIMIT}: libstdc++'s exception-built "
    "string code or the unwinder may be back (cmake/local_string_instances.h undefines "
    "_GLIBCXX_EXTERN_TEMPLATE as GCC 12 reads it; src/core/runtime_failure.cpp replaces std::__throw_*). "
    "Raise the limit in CMakeLists.txt only for growth of the launcher's own code.")
endif()
