# Cross build for Windows with Debian's mingw-w64 toolchain, included by the
# toolchain file of each processor, which sets TALLOWBY_MINGW_PREFIX first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives the full C++ thread library; it is linked statically.
set(CMAKE_C_COMPILER ${TALLOWBY_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLOWBY_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLOWBY_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALLOWBY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run under Wine through one wrapper: it picks the loader for the
# program's processor, and reports a 32-bit program as skipped (exit 77) on a
# host that starts no 32-bit programs.
set(TALLOWBY_WINE ${CMAKE_CURRENT_LIST_DIR}/../tests/support/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TALLOWBY_WINE})
