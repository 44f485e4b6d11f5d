# Cross-compiling for 64-bit Windows (x86_64) with Debian's mingw-w64:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
# The same sources as the 32-bit product (mingw-i686.cmake); the Wine tests run this
# build where the machine runs no 32-bit code (tests/wine/README.md).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The win32 thread model, as for the 32-bit product: one thread, no pthreads library.
find_program(VEL_MINGW_CXX NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++ REQUIRED)
find_program(VEL_MINGW_CC NAMES x86_64-w64-mingw32-gcc-win32 x86_64-w64-mingw32-gcc REQUIRED)
set(CMAKE_C_COMPILER ${VEL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VEL_MINGW_CXX})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests that run a built program run it under 64-bit Wine, with its own loader.
find_program(VEL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VEL_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEL_WINE64})
endif()
