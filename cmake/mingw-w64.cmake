# Cross-builds the Windows programs with Debian's mingw-w64 (POSIX threads):
#   cmake --preset windows      (CMakePresets.json names this file)
# Everything is linked statically, so that an .exe runs on its own: no
# libstdc++, libgcc or winpthread DLL has to travel with it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MVX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MVX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MVX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${MVX_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MVX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Lets ctest run the Windows test programs here.
find_program(MVX_WINE wine)
if(MVX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MVX_WINE})
endif()
