# The project version is the only one: the launcher's version resource and
# manifest, launcher-make --version and the package take it from here.
set(LAUNCHER_VERSION_TWEAK 0)
if(NOT "${PROJECT_VERSION_TWEAK}" STREQUAL "")
  set(LAUNCHER_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
endif()
set(LAUNCHER_VERSION_NUMBERS
  "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${LAUNCHER_VERSION_TWEAK}")
set(LAUNCHER_VERSION_DOTTED
  "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${LAUNCHER_VERSION_TWEAK}")
set(LAUNCHER_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/res/launcher_version.h.in ${LAUNCHER_GENERATED_DIR}/launcher_version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/launcher.manifest.in ${LAUNCHER_GENERATED_DIR}/launcher.manifest @ONLY)
