# Shared part of the mingw-w64 toolchain files; VIREO_MINGW_PREFIX names the
# target triple.
set(CMAKE_C_COMPILER ${VIREO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VIREO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VIREO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VIREO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets CMake run the cross-built programs where Wine is installed. Debian's
# "wine" starts the 32-bit loader whenever wine32 is installed, even where
# that cannot run, so 64-bit programs go to wine64 directly.
find_program(VIREO_WINE NAMES ${VIREO_WINE_NAMES} PATHS /usr/lib/wine)
if(VIREO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VIREO_WINE})
endif()
