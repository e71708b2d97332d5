# Cross build for 32-bit x86 Windows with Debian's mingw-w64 toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TALLOWBY_MINGW_PREFIX i686-w64-mingw32)
# The posix thread model gives the full C++ thread library; it is linked statically.
set(CMAKE_C_COMPILER ${TALLOWBY_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLOWBY_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLOWBY_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALLOWBY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests of this build run under 32-bit Wine.
find_program(TALLOWBY_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TALLOWBY_WINE})
