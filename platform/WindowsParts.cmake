# SPDX-License-Identifier: GPL-3.0-or-later
# The back ends of Windows: UTF-16 names, the one-line script run hidden by cmd.exe in a Job
# Object, a private folder under %TEMP%, the shell's taskbar, tray and power services.
set(VM_PLATFORM_SYSTEM_SOURCES
    paths/PathSystemWindows.cpp paths/QtFileNamesWindows.cpp paths/LegacyCodecWindows.cpp
    windows/WindowsFileSystem.cpp windows/WindowsFileSystem.h
    windows/WindowsTempFolders.cpp windows/WindowsTempFolders.h
    windows/WindowsFiles.cpp windows/WindowsFiles.h
    windows/WindowsProfileFileIo.cpp
    windows/SystemBackEnds.h
    windows/JobProcesses.cpp windows/JobProcesses.h
    windows/JobGuard.cpp real/JobGuard.h
    windows/StopSignals.cpp real/StopSignals.h
    windows/CmdScriptLine.cpp windows/CmdScriptFile.cpp ScriptLine.h
    windows/WindowsConsole.cpp Console.h
)
set(VM_PLATFORM_SYSTEM_INCLUDE ${CMAKE_CURRENT_SOURCE_DIR}/windows)
set(VM_PLATFORM_SYSTEM_LIBRARIES shell32)  # CommandLineToArgvW
set(VM_PLATFORM_DESKTOP_SOURCES
    real/LocalSocketChannel.cpp real/LocalSocketChannel.h
    windows/SystemDesktop.h
    windows/TrayNotifications.cpp windows/TrayNotifications.h
    windows/ExecutionStateInhibitor.cpp windows/ExecutionStateInhibitor.h
    windows/ShellTaskbarEntry.cpp windows/ShellTaskbarEntry.h
)
set(VM_PLATFORM_DESKTOP_LIBRARIES Qt6::Network Qt6::Widgets ole32 uuid)
# Names and texts in UTF-16 throughout; the APIs of Windows 10.
set(VM_PLATFORM_SYSTEM_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0A00)
