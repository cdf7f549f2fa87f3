// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTaskbarEntry.h"

#include <objbase.h>
#include <shobjidl.h>
#include <windows.h>

#include <algorithm>
#include <cmath>

namespace vm {

namespace {

constexpr ULONGLONG kSteps = 1000;

}  // namespace

ShellTaskbarEntry::~ShellTaskbarEntry() {
    if (list_) {
        list_->Release();
    }
    if (comStarted_) {
        CoUninitialize();
    }
}

ITaskbarList3* ShellTaskbarEntry::list() {
    if (!tried_) {
        tried_ = true;
        // The window's thread has COM already (the platform plugin starts OLE for drag and
        // drop); a start of our own is undone with the entry.
        const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        comStarted_ = SUCCEEDED(started);
        void* made = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ITaskbarList3, &made))) {
            list_ = static_cast<ITaskbarList3*>(made);
            if (FAILED(list_->HrInit())) {
                list_->Release();
                list_ = nullptr;
            }
        }
    }
    return owner_ ? list_ : nullptr;
}

void ShellTaskbarEntry::showProgress(double progress, int count) {
    Q_UNUSED(count);
    if (ITaskbarList3* taskbar = list()) {
        const auto window = reinterpret_cast<HWND>(owner_->window()->winId());
        const double share = std::clamp(progress, 0.0, 1.0);
        taskbar->SetProgressState(window, TBPF_NORMAL);
        taskbar->SetProgressValue(window, ULONGLONG(std::lround(share * kSteps)), kSteps);
    }
}

void ShellTaskbarEntry::clear() {
    if (ITaskbarList3* taskbar = list()) {
        taskbar->SetProgressState(reinterpret_cast<HWND>(owner_->window()->winId()),
                                  TBPF_NOPROGRESS);
    }
}

}  // namespace vm
