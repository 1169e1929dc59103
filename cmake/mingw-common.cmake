# Shared by both toolchain files: the -win32 thread-model compilers of the
# mingw-w64 triplet MINGW_TRIPLET (no winpthread DLL).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
# The product's archives hold link-time-optimisation objects: the compiler's
# own wrappers index them with its plugin, whatever the system's ar loads.
set(CMAKE_AR ${MINGW_TRIPLET}-gcc-ar-win32)
set(CMAKE_RANLIB ${MINGW_TRIPLET}-gcc-ranlib-win32)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
