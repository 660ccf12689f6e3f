# Cross-build for Windows x86-64 with Debian's mingw-w64 compilers (the
# "posix" thread model, which the C++ library's std::mutex needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VIREO_MINGW_PREFIX x86_64-w64-mingw32)
set(VIREO_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
