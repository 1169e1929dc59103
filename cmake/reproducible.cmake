# Two builds of one commit give the same bytes, wherever and whenever they run.

# No build folder in any output: file names in diagnostics and sanitizer
# reports are relative to the work tree. The build folder, inside it, is
# mapped first (GCC and clang try the last map given first).
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)

# The one time that enters the files: the PE header's link time (GNU ld reads
# SOURCE_DATE_EPOCH) and the man page's date. Taken from the environment at
# configure time, as reproducible-builds.org asks; 0 when unset.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(LAUNCHER_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  set(LAUNCHER_SOURCE_DATE_EPOCH 0)
endif()
if(NOT LAUNCHER_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '${LAUNCHER_SOURCE_DATE_EPOCH}'")
endif()
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK
  "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${LAUNCHER_SOURCE_DATE_EPOCH}")
