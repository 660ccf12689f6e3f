# Cross-build for Windows x86 (32-bit) with Debian's mingw-w64 compilers (the
# "posix" thread model, which the C++ library's std::mutex needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VIREO_MINGW_PREFIX i686-w64-mingw32)
set(VIREO_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
