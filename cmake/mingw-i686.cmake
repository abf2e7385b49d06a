# 32-bit Windows with MinGW-w64: the release build. Win32 threads: the
# program is single-threaded, and the posix model would link winpthread,
# which imports functions that Windows XP lacks (GetTickCount64). Its
# programs run here through qemu-user and Wine's 32-bit loader (about 40 s
# for a process to start), so each test program runs whole, once.
set(VEXA_MINGW_TRIPLE i686-w64-mingw32)
set(VEXA_MINGW_THREADS win32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32-run)
set(VEXA_WHOLE_PROGRAM_TESTS ON)
