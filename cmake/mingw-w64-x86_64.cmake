# Cross-compiling for 64-bit Windows with Debian's MinGW-w64. The posix-thread flavour of the
# compilers: Qt 6 needs std::thread and friends, which the win32-thread flavour lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_TRIPLET}-windres)
# For `cmake --install --strip`, rather than left to CMake's guess from the compilers' names.
set(CMAKE_STRIP /usr/bin/${QUORVEL_MINGW_TRIPLET}-strip)

# Libraries and headers come from the MinGW sysroot only, programs (moc, uic, rcc) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
