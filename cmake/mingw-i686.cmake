# 32-bit Windows with MinGW-w64 (posix threads): the release build. Its
# programs cannot run on these machines, so no emulator is set.
set(VEXA_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
