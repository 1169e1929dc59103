# The native launcher maker: makes launchers on a Linux build server from a
# built launcher.exe and a package, without Windows.
add_library(launcher_image STATIC ${LAUNCHER_IMAGE_SOURCES})
target_include_directories(launcher_image PUBLIC src)
