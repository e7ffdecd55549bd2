# Cross-building for 64-bit Windows with Debian's mingw-w64
# (g++-mingw-w64-x86-64-posix). The posix thread model is the one GoogleTest
# builds with. The executables are linked statically, so they need nothing but
# the system's own DLLs; under Wine, wine64 runs them (tests included).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLOX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLOX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLOX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLOX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLOX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
