# Cross-compiling for 32-bit Windows (i686) with Debian's mingw-w64:
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEL_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# Tests that run a built program run it under Wine.
find_program(VEL_WINE wine)
if(VEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEL_WINE})
endif()
