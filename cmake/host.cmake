# The build machine's native tools (presets "host" and "host-clang"): the
# native launcher maker, and with LAUNCHER_TESTS the host tests and, under
# clang, the fuzz target.
set(IMAGE_OPTIONS -fno-exceptions)
set(CHECKED_OPTIONS -fno-exceptions -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
include(GNUInstallDirs)
set(LAUNCHER_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME})
# Where the installed maker finds the installed launcher, from its own folder.
file(RELATIVE_PATH LAUNCHER_MAKE_INSTALLED_SOURCE /${CMAKE_INSTALL_BINDIR} /${LAUNCHER_SHARE_DIR}/launcher.exe)
add_subdirectory(src/common)
add_subdirectory(src/image)
add_subdirectory(src/maker)
# launcher-make with the launcher it starts from and its manual page, installed as software.
include(cmake/install.cmake)
if(LAUNCHER_TESTS)
  enable_testing()
  add_subdirectory(tests/host)
endif()
