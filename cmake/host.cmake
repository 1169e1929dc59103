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
  src/maker/package_info.cpp
  src/maker/launcher_facts.cpp
  src/maker/product_resources.cpp
  src/maker/deployment_metadata.cpp
  src/maker/text_escape.cpp
  ${LAUNCHER_IMAGE_SOURCES}
  ${PRODUCT_RESOURCE_SOURCES}
)

# msitools' libmsi reads the package's Property table and summary information.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBMSI REQUIRED IMPORTED_TARGET libmsi-1.0)

# Small like the launcher: no exceptions, no unwinder. Further options go to
# compiling and linking alike.
function(add_launcher_make target)
  add_executable(${target} ${LAUNCHER_MAKE_SOURCES})
  target_include_directories(${target} PRIVATE src)
  target_compile_definitions(${target} PRIVATE LAUNCHER_MAKE_VERSION="${PROJECT_VERSION}")
  target_compile_options(${target} PRIVATE -fno-exceptions ${ARGN})
  target_link_options(${target} PRIVATE ${ARGN})
  target_link_libraries(${target} PRIVATE PkgConfig::LIBMSI)
endfunction()

# launcher-make: the command packagers run; installed to bin/.
add_launcher_make(launcher-make)
install(TARGETS launcher-make DESTINATION bin)

# For the tests: the same maker under the address and undefined-behaviour
# sanitizers, so that a damaged source read out of bounds ends it loudly.
if(LAUNCHER_TESTS)
  add_launcher_make(launcher-make-checked
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_subdirectory(tests/host)
endif()
