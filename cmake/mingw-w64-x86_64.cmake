# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, whose
# libstdc++ has std::thread and std::mutex), against the static libraries that
# tools/build-windows.sh builds into VM_WINDOWS_PREFIX. Test programs run under Wine.
#
# CMake reads this file again for every try_compile: it only sets variables.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VM_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VM_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VM_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VM_MINGW}-windres)

if(NOT VM_WINDOWS_PREFIX)
    if(DEFINED ENV{VM_WINDOWS_CACHE} AND NOT "$ENV{VM_WINDOWS_CACHE}" STREQUAL "")
        set(VM_WINDOWS_PREFIX "$ENV{VM_WINDOWS_CACHE}/prefix")
    else()
        set(VM_WINDOWS_PREFIX /var/cache/vidmorf-windows/prefix)
    endif()
endif()
set(VM_WINDOWS_PREFIX "${VM_WINDOWS_PREFIX}" CACHE PATH
    "The prefix of the Windows libraries that tools/build-windows.sh builds")
# try_compile projects see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VM_WINDOWS_PREFIX)
list(REMOVE_DUPLICATES CMAKE_TRY_COMPILE_PLATFORM_VARIABLES)

# Libraries, headers and packages only from the prefix and the MinGW sysroot; programs
# (moc, python3, ffmpeg...) from this machine.
set(CMAKE_FIND_ROOT_PATH ${VM_WINDOWS_PREFIX} /usr/${VM_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host's pkg-config, reading the prefix's .pc files alone; they name absolute paths.
find_program(PKG_CONFIG_EXECUTABLE NAMES pkg-config)
set(ENV{PKG_CONFIG_LIBDIR} "${VM_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Wine's loader runs the test programs (ctest) and anything else built here. Debian's wine64
# package has it in /usr/lib/wine; the wine package adds it to PATH as well.
find_program(VM_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VM_WINE NAMES wine64 wine)
if(VM_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VM_WINE})
endif()
