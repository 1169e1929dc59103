# The native launcher maker: makes launchers on a Linux build server from a
# built launcher.exe and a package, without Windows.
add_library(launcher_image STATIC ${LAUNCHER_IMAGE_SOURCES})
target_include_directories(launcher_image PUBLIC src)

# launcher-make: the command packagers run; installed to bin/.
add_executable(launcher-make
  src/update/launcher_make.cpp
  src/update/make_options.cpp
  src/update/input_file.cpp
  src/update/pending_output.cpp
  src/update/temporary_file.cpp
  src/update/progress_line.cpp
  src/update/tool_report.cpp
)
target_link_libraries(launcher-make PRIVATE launcher_image)
target_compile_definitions(launcher-make PRIVATE LAUNCHER_MAKE_VERSION="${PROJECT_VERSION}")
# Small like the launcher: no exceptions, no unwinder.
target_compile_options(launcher-make PRIVATE -fno-exceptions)
install(TARGETS launcher-make DESTINATION bin)

# Unit tests of the image writer (tests/host).
if(LAUNCHER_TESTS)
  enable_testing()
  add_subdirectory(tests/host)
endif()
