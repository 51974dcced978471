# Cross-build for 32-bit Windows with mingw-w64. The win32 thread model keeps winpthreads (and with it
# GetTickCount64, which Windows XP lacks) out of the exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOVALSET_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVALSET_MINGW}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOVALSET_MINGW}-g++-win32)
set(CMAKE_RC_COMPILER ${TOVALSET_MINGW}-windres)
set(CMAKE_OBJDUMP ${TOVALSET_MINGW}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TOVALSET_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# CTest runs every Windows test executable under Wine, in the prefix that scripts/wine-session.sh prepares.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test.sh)
