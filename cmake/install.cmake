# The maker installed as software: the command, the 32-bit launcher it starts
# from by default, and its manual page, generated from --help.

# The launcher comes from the win32 preset's build; the host compiler cannot
# make it.
set(LAUNCHER_EXE ${PROJECT_SOURCE_DIR}/build/win32/launcher.exe CACHE FILEPATH
    "The built 32-bit launcher.exe to install with the maker")

configure_file(${PROJECT_SOURCE_DIR}/docs/launcher-make.h2m.in launcher-make.h2m @ONLY)
add_custom_command(OUTPUT launcher-make.1
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${LAUNCHER_SOURCE_DATE_EPOCH}
          help2man --no-info --name "make installer package launchers for 32-bit Windows"
          --include launcher-make.h2m --output launcher-make.1 $<TARGET_FILE:launcher-make>
  DEPENDS launcher-make ${CMAKE_CURRENT_BINARY_DIR}/launcher-make.h2m
  VERBATIM)
add_custom_target(launcher-make-manual ALL DEPENDS launcher-make.1)

install(TARGETS launcher-make DESTINATION ${CMAKE_INSTALL_BINDIR})
install(CODE "if(NOT EXISTS \"${LAUNCHER_EXE}\")
  message(FATAL_ERROR \"No ${LAUNCHER_EXE}: build the win32 preset first (scripts/build)\")
endif()")
install(FILES ${LAUNCHER_EXE} DESTINATION ${LAUNCHER_SHARE_DIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/launcher-make.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# scripts/package: build/<name>_<version>_amd64.deb, the version from the project.
set(LAUNCHER_MAINTAINER "Quelmar" CACHE STRING "The Debian package's maintainer (name <address>)")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR Quelmar)
set(CPACK_PACKAGE_CONTACT ${LAUNCHER_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Installer package launchers for 32-bit Windows, made on Linux")
set(CPACK_PACKAGE_DESCRIPTION "launcher-make makes a small 32-bit Windows program that carries a Windows
Installer package and runs msiexec with it, from the launcher.exe installed
with it, without Windows or Wine.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The maker's own libraries (libc, libstdc++, libgcc), read from the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Neither is needed to make a launcher: only to build a package and to sign.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wixl, osslsigncode")
include(CPack)
