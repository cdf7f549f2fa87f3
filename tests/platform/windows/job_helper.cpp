// SPDX-License-Identifier: GPL-3.0-or-later
// What the job tests run, under its own name or copied as coder.dll:
//   sleep MS PIDFILE   writes its process id into PIDFILE, then sleeps
//   exit CODE          ends with CODE
//   anything else      as the encoder: writes its arguments (as CommandLineToArgvW splits
//                      them, UTF-8, one a line) into "args" beside itself, "logged" to stderr
#include <windows.h>
// CommandLineToArgvW
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count >= 4 && std::wstring(args[1]) == L"sleep") {
        FILE* file = _wfopen(args[3], L"wb");
        std::fprintf(file, "%lu", GetCurrentProcessId());
        std::fclose(file);
        Sleep(DWORD(_wtoi(args[2])));
        return 0;
    }
    if (count >= 3 && std::wstring(args[1]) == L"exit") {
        return _wtoi(args[2]);
    }
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"args";
    FILE* file = _wfopen(path.c_str(), L"wb");
    for (int i = 1; i < count; ++i) {
        std::fprintf(file, "%s\n", utf8(args[i]).c_str());
    }
    std::fclose(file);
    std::fputs("logged\n", stderr);
    return 0;
}
