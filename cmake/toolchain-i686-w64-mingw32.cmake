# Cross-compiles for 32-bit Windows with the MinGW-w64 i686 compilers (the
# win32 thread model, so nothing needs libwinpthread) and runs the built
# programs under Wine, which CTest uses as the emulator for test executables.
#
# Every executable and module is linked statically against the compiler's
# runtime, so the results import only system DLLs (KERNEL32.dll, msvcrt.dll)
# and run anywhere, Wine included, without extra DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(EPS_MINGW_TRIPLET i686-w64-mingw32)
# Debian names the win32-thread compilers *-win32; other systems have only
# the plain names.
find_program(EPS_MINGW_CXX NAMES ${EPS_MINGW_TRIPLET}-g++-win32 ${EPS_MINGW_TRIPLET}-g++ REQUIRED)
find_program(EPS_MINGW_CC NAMES ${EPS_MINGW_TRIPLET}-gcc-win32 ${EPS_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${EPS_MINGW_CXX})
if(EPS_MINGW_CC)
  set(CMAKE_C_COMPILER ${EPS_MINGW_CC})
endif()
set(CMAKE_RC_COMPILER ${EPS_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${EPS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Any machine that runs a 32-bit Windows program today has SSE2; using it also
# keeps floating point free of x87 excess precision.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(EPS_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${EPS_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${EPS_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${EPS_MINGW_STATIC_RUNTIME}")

find_program(EPS_WINE NAMES wine)
if(EPS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${EPS_WINE})
endif()
