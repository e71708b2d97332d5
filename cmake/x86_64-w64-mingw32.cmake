# Cross build for 64-bit x86 Windows: the same sources, tested under 64-bit
# Wine, which runs where 32-bit programs cannot.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TALLOWBY_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
