# The build machine's native tools (presets "host" and "host-clang"): the
# native launcher maker, and with LAUNCHER_TESTS the host tests and, under
# clang, the fuzz target.
set(IMAGE_OPTIONS -fno-exceptions)
set(CHECKED_OPTIONS -fno-exceptions -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_subdirectory(src/image)
add_subdirectory(src/maker)
if(LAUNCHER_TESTS)
  enable_testing()
  add_subdirectory(tests/host)
endif()
