# Cross-compiling for 64-bit Windows (x86_64) with Debian's mingw-w64:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
# The same sources as the 32-bit product (mingw-i686.cmake); the Wine tests run this
# build where the machine runs no 32-bit code (tests/wine/README.md).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VEL_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# Tests that run a built program run it under 64-bit Wine, with its own loader.
find_program(VEL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VEL_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEL_WINE64})
endif()
