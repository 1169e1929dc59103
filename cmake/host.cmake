# The native launcher maker: makes launchers on a Linux build server from a
# built launcher.exe and a package, without Windows.
add_library(launcher_image STATIC ${LAUNCHER_IMAGE_SOURCES})
target_include_directories(launcher_image PUBLIC src)

# launcher-make: the command packagers run; installed to bin/.
set(LAUNCHER_MAKE_SOURCES
  src/update/launcher_make.cpp
  src/update/make_options.cpp
  src/update/input_file.cpp
  src/update/pending_output.cpp
  src/update/temporary_file.cpp
  src/update/progress_line.cpp
  src/update/tool_report.cpp
)
add_executable(launcher-make ${LAUNCHER_MAKE_SOURCES})
target_link_libraries(launcher-make PRIVATE launcher_image)
target_compile_definitions(launcher-make PRIVATE LAUNCHER_MAKE_VERSION="${PROJECT_VERSION}")
# Small like the launcher: no exceptions, no unwinder.
target_compile_options(launcher-make PRIVATE -fno-exceptions)
install(TARGETS launcher-make DESTINATION bin)

# For the tests: the same maker under the address and undefined-behaviour
# sanitizers, so that a damaged source read out of bounds ends it loudly.
if(LAUNCHER_TESTS)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_executable(launcher-make-checked ${LAUNCHER_MAKE_SOURCES} ${LAUNCHER_IMAGE_SOURCES})
  target_include_directories(launcher-make-checked PRIVATE src)
  target_compile_definitions(launcher-make-checked PRIVATE LAUNCHER_MAKE_VERSION="${PROJECT_VERSION}")
  target_compile_options(launcher-make-checked PRIVATE -fno-exceptions ${sanitizers})
  target_link_options(launcher-make-checked PRIVATE ${sanitizers})
endif()
