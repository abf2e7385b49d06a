# 64-bit Windows with MinGW-w64 (posix threads); tests run under wine64.
set(VEXA_MINGW_TRIPLE x86_64-w64-mingw32)
set(VEXA_MINGW_THREADS posix)  # GoogleTest's thread-safe build needs std::mutex
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
