// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThreadName.h"

#include <pthread.h>
#include <windows.h>

#include "WideText.h"

namespace coder {

void nameThisThread(const std::string& name) {
    const std::string kept = name.substr(0, 15);
    pthread_setname_np(pthread_self(), kept.c_str());  // for debuggers that catch it
    // The thread's description (Windows 10 1607 and later), which tools and Wine show; looked
    // up, as older systems and SDKs lack it.
    using Describe = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static const auto describe = reinterpret_cast<Describe>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
    if (describe) {
        describe(GetCurrentThread(), wideText(kept).c_str());
    }
}

}  // namespace coder
