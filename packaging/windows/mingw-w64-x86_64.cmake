# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 64-bit Windows with Debian's mingw-w64, the compilers
# with POSIX threads (std::thread needs them). Used for the toolkit and for
# Brelon alike.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(BRELON_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRELON_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRELON_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${BRELON_MINGW}-windres)
set(CMAKE_AR ${BRELON_MINGW}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${BRELON_MINGW}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${BRELON_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
