# What the two mingw-w64 toolchain files share (mingw-i686.cmake, mingw-x86_64.cmake
# set VEL_MINGW, the target's name, before they include this).
set(CMAKE_SYSTEM_NAME Windows)
# The win32 thread model: the program has one thread and needs no pthreads library,
# whose calls (GetTickCount64...) would keep it from loading on Windows XP.
find_program(VEL_MINGW_CXX NAMES ${VEL_MINGW}-g++-win32 ${VEL_MINGW}-g++ REQUIRED)
find_program(VEL_MINGW_CC NAMES ${VEL_MINGW}-gcc-win32 ${VEL_MINGW}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${VEL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VEL_MINGW_CXX})
set(CMAKE_RC_COMPILER ${VEL_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VEL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
