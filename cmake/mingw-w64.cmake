# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads). CORVANE_WINDOWS_PREFIX is
# the folder scripts/windows/toolchain.sh fills with Qt and libsodium for Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(PKG_CONFIG_EXECUTABLE ${triplet}-pkg-config CACHE FILEPATH "")

if(NOT CORVANE_WINDOWS_PREFIX AND DEFINED ENV{CORVANE_WINDOWS_PREFIX})
    set(CORVANE_WINDOWS_PREFIX $ENV{CORVANE_WINDOWS_PREFIX})
endif()
# try_compile projects see the toolchain file but not the cache; the environment carries it there.
set(ENV{CORVANE_WINDOWS_PREFIX} "${CORVANE_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${CORVANE_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${CORVANE_WINDOWS_PREFIX})
set(ENV{PKG_CONFIG_LIBDIR} "${CORVANE_WINDOWS_PREFIX}/lib/pkgconfig")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
