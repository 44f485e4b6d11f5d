# Cross-compiling for 32-bit Windows (i686) with Debian's mingw-w64:
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The win32 thread model: the program has one thread and needs no pthreads library,
# whose calls (GetTickCount64...) would keep it from loading on Windows XP.
find_program(VEL_MINGW_CXX NAMES i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++ REQUIRED)
find_program(VEL_MINGW_CC NAMES i686-w64-mingw32-gcc-win32 i686-w64-mingw32-gcc REQUIRED)
set(CMAKE_C_COMPILER ${VEL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VEL_MINGW_CXX})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests that run a built program run it under Wine.
find_program(VEL_WINE wine)
if(VEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEL_WINE})
endif()
