# SPDX-License-Identifier: GPL-3.0-or-later
# The back ends of POSIX systems (Linux): paths as the bytes on disk, /bin/sh scripts in
# process groups, a forked guard, D-Bus for the desktop's services, Qt WebEngine as the browser.
set(VM_PLATFORM_SYSTEM_SOURCES
    paths/PathSystemPosix.cpp paths/QtFileNames.cpp paths/LegacyCodecIconv.cpp
    real/PosixFileSystem.cpp real/PosixFileSystem.h
    real/ShellProcesses.cpp real/ShellProcesses.h
    real/FileIdentity.h real/TempFolders.cpp real/TempFolders.h
    real/JobGuard.cpp real/JobGuard.h real/ProcStat.cpp real/ProcStat.h
    real/PosixProfileFileIo.cpp
    real/StopSignals.cpp real/StopSignals.h
    real/ShScriptLine.cpp ScriptLine.h
    real/PosixConsole.cpp Console.h
    posix/SystemBackEnds.h
)
set(VM_PLATFORM_SYSTEM_INCLUDE ${CMAKE_CURRENT_SOURCE_DIR}/posix)
set(VM_PLATFORM_SYSTEM_LIBRARIES)
set(VM_PLATFORM_DESKTOP_SOURCES
    real/LocalSocketChannel.cpp real/LocalSocketChannel.h
    qt/DBusNotifications.cpp qt/DBusNotifications.h
    qt/DBusSleepInhibitor.cpp qt/DBusSleepInhibitor.h
    qt/DBusTaskbarEntry.cpp qt/DBusTaskbarEntry.h
    posix/SystemDesktop.h
)
set(VM_PLATFORM_DESKTOP_LIBRARIES Qt6::Network Qt6::DBus Qt6::Widgets)
