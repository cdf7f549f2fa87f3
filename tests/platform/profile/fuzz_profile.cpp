// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a profile file, read and edited.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/real/ProfileFormat.h"

using namespace vm::profile;

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the names and the value; the rest is the file.
    if (size == 0) {
        return 0;
    }
    static const char* const kSections[] = {"Info", "Tab", "a", "[", "Dialog"};
    static const char* const kKeys[] = {"Set", "Language", "a", "k", ";"};
    static const char* const kValues[] = {"1", "0", "", "long value with = and [x]", "\"q\""};
    const std::string_view section = kSections[data[0] % 5];
    const std::string_view key = kKeys[(data[0] / 5) % 5];
    const std::string_view value = kValues[(data[0] / 25) % 5];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::optional<std::string_view> before = FindValue(text, section, key);
    const Encoding encoding = DetectEncoding(text);
    if (before) {
        Check(before->data() >= text.data() &&
              before->data() + before->size() <= text.data() + text.size());
        const QString shown = ValueText(*before, encoding);
        Check(!shown.contains(QChar(0)));
    }

    std::string edited;
    const EditResult result = SetValue(text, section, key, value, &edited);
    if (result == EditResult::Unchanged) {
        Check(before && *before == value);
    } else if (result == EditResult::Changed) {
        // The edit reads back, and a second identical edit changes nothing.
        const std::optional<std::string_view> after = FindValue(edited, section, key);
        const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
        Check(after.has_value());
        Check(quoted ? *after == value.substr(1, value.size() - 2) : *after == value);
        if (!quoted) {
            std::string again;
            Check(SetValue(edited, section, key, value, &again) == EditResult::Unchanged);
        }
        // Other keys keep their values.
        for (const char* other : kKeys) {
            if (std::string_view(other) != key) {
                Check(FindValue(edited, section, other) == FindValue(text, section, other));
            }
        }
    }
    const std::size_t cut = CutAtCharacter(text, kMaxValueBytes, encoding);
    Check(cut <= text.size() && cut <= kMaxValueBytes);
    return 0;
}
