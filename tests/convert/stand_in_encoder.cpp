// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in coder.dll for the conversion tests, on every system. It appends its arguments
// (NUL-separated, one call a line) to calls.log in its own folder, then does what its source
// file (the second argument) says, one step a line, with the target its last argument:
//   err TEXT      TEXT to standard error ("\r", "\n" and "\\" as in C), at once
//   make TEXT     the target written whole, TEXT and a line break
//   hold TEXT     the target made and TEXT written, held open until the end, as an encoder
//                 leaves an unfinished target on this system (StandInHold.h)
//   sleep S       S seconds
//   exit N        ends with status N
//   beat FILE     from now on, a dot appended to FILE every 50 ms while it runs on
//   deaf          SIGTERM let pass, with "asked" appended to the beat's FILE when it comes
//   forever       runs until it is killed
// With the single argument "--sleep S" it only sleeps: a script that is slow to get going.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "StandInHold.h"

namespace {

volatile std::sig_atomic_t g_asked = 0;

extern "C" void OnTerminate(int) {
    g_asked = 1;
}

// The beat's file, and what `deaf` has yet to say in it.
std::string g_beat;
bool g_told = false;

void Sleep(double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!g_beat.empty()) {
            std::ofstream beat(g_beat, std::ios::app | std::ios::binary);
            if (g_asked && !g_told) {
                beat << "asked\n";
                g_told = true;
            }
            beat << '.';
        }
    }
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    }
    return out;
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--sleep") {
        Sleep(std::stod(args[1]));
        return 0;
    }
    {
        std::ofstream calls(FolderOf(argv[0]) + "/calls.log", std::ios::app | std::ios::binary);
        for (const std::string& arg : args) {
            calls << arg << '\0';
        }
        calls << '\n';
    }
    if (args.size() < 2) {
        return 0;
    }
    const std::string target = args.back();
    std::ifstream source(args[1], std::ios::binary);
    std::string line;
    while (std::getline(source, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const size_t space = line.find(' ');
        const std::string step = line.substr(0, space);
        const std::string rest =
            space == std::string::npos ? std::string() : line.substr(space + 1);
        if (step.empty()) {
            continue;
        } else if (step == "err") {
            std::cerr << Unescaped(rest) << std::flush;
        } else if (step == "make") {
            std::ofstream(target, std::ios::binary) << Unescaped(rest) << '\n';
        } else if (step == "hold") {
            HoldTarget(target, Unescaped(rest) + '\n');
        } else if (step == "sleep") {
            Sleep(std::stod(rest));
        } else if (step == "exit") {
            return std::stoi(rest);
        } else if (step == "beat") {
            g_beat = rest;
        } else if (step == "deaf") {
            std::signal(SIGTERM, OnTerminate);
        } else if (step == "forever") {
            for (;;) {
                Sleep(1);
            }
        } else {
            std::cerr << "stand-in encoder: unknown step \"" << step << "\"\n";
            return 99;
        }
    }
    return 0;
}
