// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartNames.h"

#include <cstdlib>

namespace coder {

namespace {

const std::string kMarker = ".coder-";
const std::string kPart = ".part";
constexpr size_t kRandom = 6;

bool isAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

int partSuffixLength() {
    return int(kPart.size());
}

std::string partNamePattern(const std::string& folder, std::string base, long pid, size_t nameMax) {
    const std::string suffix = kMarker + std::to_string(pid) + "-XXXXXX" + kPart;
    const size_t room = nameMax > suffix.size() ? nameMax - suffix.size() : 0;
    if (base.size() > room) {
        base.resize(room);
        while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0x80) {
            base.pop_back();  // do not leave half a character
        }
        if (!base.empty() && static_cast<unsigned char>(base.back()) >= 0xC0) {
            base.pop_back();
        }
    }
    return folder + base + suffix;
}

void fillPartName(std::string& pattern, const unsigned char (&random)[6]) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const size_t x = pattern.size() - kPart.size() - kRandom;
    for (size_t i = 0; i < kRandom; ++i) {
        pattern[x + i] = kLetters[random[i] % (sizeof kLetters - 1)];
    }
}

long partWriter(const std::string& name) {
    if (name.size() < kMarker.size() + 1 + 1 + kRandom + kPart.size() ||
        name.compare(name.size() - kPart.size(), kPart.size(), kPart) != 0) {
        return 0;
    }
    size_t end = name.size() - kPart.size();
    for (size_t i = end - kRandom; i < end; ++i) {
        if (!isAlnum(name[i])) {
            return 0;
        }
    }
    end -= kRandom;
    if (name[--end] != '-') {
        return 0;
    }
    size_t start = end;
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') {
        --start;
    }
    if (start == end || end - start > 9 || start < kMarker.size() ||
        name.compare(start - kMarker.size(), kMarker.size(), kMarker) != 0) {
        return 0;
    }
    return std::atol(name.substr(start, end - start).c_str());
}

}  // namespace coder
