# Cross-build for Windows with mingw-w64: i686 for the exe we ship, x86_64 (TOVALSET_MINGW_PROCESSOR) only
# for running the Windows tests where the kernel runs no 32-bit code (see scripts/wine.sh). The win32
# thread model keeps winpthreads (and with it GetTickCount64, which Windows XP lacks) out of the exe.
set(TOVALSET_MINGW_PROCESSOR i686 CACHE STRING "i686 (the shipped exe) or x86_64 (Windows tests only)")
# try_compile projects read this file again; they must build for the same processor.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOVALSET_MINGW_PROCESSOR)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TOVALSET_MINGW_PROCESSOR})

set(TOVALSET_MINGW ${TOVALSET_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVALSET_MINGW}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOVALSET_MINGW}-g++-win32)
set(CMAKE_RC_COMPILER ${TOVALSET_MINGW}-windres)
set(CMAKE_OBJDUMP ${TOVALSET_MINGW}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TOVALSET_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
