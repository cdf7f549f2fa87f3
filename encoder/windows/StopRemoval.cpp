// SPDX-License-Identifier: GPL-3.0-or-later
#include "StopRemoval.h"

#include <windows.h>

#include <mutex>

#include "FileHandles.h"

namespace coder {

namespace {

// The handler runs on a thread of its own that the system starts for the event.
std::mutex g_lock;
std::wstring g_name;
FileIdentity g_identity;
bool g_armed = false;

BOOL WINAPI onStopEvent(DWORD) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_armed && identityAt(g_name) == g_identity) {
        DeleteFileW(g_name.c_str());
    }
    g_armed = false;
    return FALSE;  // then the default: the process ends
}

}  // namespace

void handleStopEvents() {
    SetConsoleCtrlHandler(onStopEvent, TRUE);
}

void removeOnStop(const std::wstring& name, const FileIdentity& identity) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_name = name;
    g_identity = identity;
    g_armed = true;
}

void keepOnStop() {
    std::lock_guard<std::mutex> lock(g_lock);
    g_armed = false;
}

}  // namespace coder
