# The native launcher maker: makes launchers on a Linux build server from a
# built launcher.exe and a package, without Windows.
set(LAUNCHER_MAKE_SOURCES
  src/update/launcher_make.cpp
  src/update/make_options.cpp
  src/update/input_file.cpp
  src/update/pending_output.cpp
  src/update/temporary_file.cpp
  src/update/progress_line.cpp
  src/update/tool_report.cpp
  src/core/utf8.cpp
  ${LAUNCHER_IMAGE_SOURCES}
)

# Small like the launcher: no exceptions, no unwinder. Further options go to
# compiling and linking alike.
function(add_launcher_make target)
  add_executable(${target} ${LAUNCHER_MAKE_SOURCES})
  target_include_directories(${target} PRIVATE src)
  target_compile_definitions(${target} PRIVATE LAUNCHER_MAKE_VERSION="${PROJECT_VERSION}")
  target_compile_options(${target} PRIVATE -fno-exceptions ${ARGN})
  target_link_options(${target} PRIVATE ${ARGN})
endfunction()

# launcher-make: the command packagers run; installed to bin/.
add_launcher_make(launcher-make)
install(TARGETS launcher-make DESTINATION bin)

# For the tests: the same maker under the address and undefined-behaviour
# sanitizers, so that a damaged source read out of bounds ends it loudly.
if(LAUNCHER_TESTS)
  add_launcher_make(launcher-make-checked
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()
