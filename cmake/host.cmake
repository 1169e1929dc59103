# The native launcher maker: makes launchers on a Linux build server from a
# built launcher.exe and a package, without Windows.
set(LAUNCHER_MAKE_SOURCES
  src/update/launcher_make.cpp
  src/update/make_options.cpp
  src/update/installed_launcher.cpp
  src/update/input_file.cpp
  src/update/pending_output.cpp
  src/update/temporary_file.cpp
  src/update/progress_line.cpp
  src/update/tool_report.cpp
  ${LAUNCHER_IMAGE_SOURCES}
)

include(GNUInstallDirs)
set(LAUNCHER_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME})
# Where the installed maker finds the installed launcher, from its own folder.
file(RELATIVE_PATH LAUNCHER_MAKE_INSTALLED_SOURCE /${CMAKE_INSTALL_BINDIR} /${LAUNCHER_SHARE_DIR}/launcher.exe)

# Small like the launcher: no exceptions, no unwinder. Further options go to
# compiling and linking alike.
function(add_launcher_make target)
  add_executable(${target} ${LAUNCHER_MAKE_SOURCES})
  target_include_directories(${target} PRIVATE src)
  target_compile_definitions(${target} PRIVATE LAUNCHER_MAKE_VERSION="${PROJECT_VERSION}"
    LAUNCHER_MAKE_INSTALLED_SOURCE="${LAUNCHER_MAKE_INSTALLED_SOURCE}")
  target_compile_options(${target} PRIVATE -fno-exceptions ${ARGN})
  target_link_options(${target} PRIVATE ${ARGN})
endfunction()

# launcher-make: the command packagers run; installed to bin/.
add_launcher_make(launcher-make)
include(cmake/install.cmake)

# For the tests: the same maker under the address and undefined-behaviour
# sanitizers, so that a damaged source read out of bounds ends it loudly.
if(LAUNCHER_TESTS)
  add_launcher_make(launcher-make-checked
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()
