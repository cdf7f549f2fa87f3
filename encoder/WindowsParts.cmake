# SPDX-License-Identifier: GPL-3.0-or-later
# The encoder on Windows: every FFmpeg library linked in statically (the filter library too),
# and the C and C++ runtimes with them, so that coder.dll needs nothing beside it but the
# system's own libraries.
pkg_check_modules(LIBAV REQUIRED IMPORTED_TARGET
    libavformat libavcodec libavfilter libswscale libswresample libavutil)
set(CODER_SYSTEM_SOURCES
    windows/Startup.cpp
    windows/ThreadName.cpp
    windows/WideText.cpp windows/WideText.h
    windows/SystemError.cpp
    windows/FileHandles.cpp windows/FileHandles.h
    windows/SourceFile.cpp
    windows/PendingFile.cpp
    windows/PartFiles.cpp windows/PartFiles.h
    windows/StopRemoval.cpp windows/StopRemoval.h
    windows/FilterLibrary.cpp)
# Names and texts in UTF-16 throughout; the file APIs of Windows 10.
set(CODER_SYSTEM_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# FFmpeg built without shared libraries names what its own need (LAME, zlib, bcrypt and so on)
# in its plain link line too; the imported target links each by its file, so that a library
# rebuilt in the cache relinks the programs.
set(CODER_SYSTEM_LIBRARIES PkgConfig::LIBAV shell32)
set(CODER_SYSTEM_LINK_OPTIONS -static)
