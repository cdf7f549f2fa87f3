// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProfileFormat.h"

namespace vm::profile {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// One line of the text: [begin, end) without its line ending, next = start of the next line.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {
        if (text_.size() >= 3 && text_.substr(0, 3) == "\xEF\xBB\xBF") {
            pos_ = 3;
        }
    }
    bool next(Line* line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        std::size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        line->begin = pos_;
        line->end = end;
        std::size_t next = end;
        if (next < text_.size()) {
            next +=
                (text_[next] == '\r' && next + 1 < text_.size() && text_[next + 1] == '\n') ? 2 : 1;
        }
        line->next = next;
        pos_ = next;
        return true;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// What one line holds.
struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;
    std::string_view value;      // Key: trimmed value, quotes included
    std::size_t valueBegin = 0;  // Key: offset of value in the whole text
};

Parsed ParseLine(std::string_view text, const Line& line) {
    Parsed p;
    std::string_view s = text.substr(line.begin, line.end - line.begin);
    std::string_view t = Trim(s);
    if (t.empty()) {
        return p;
    }
    if (t.front() == '[') {
        std::size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            p.kind = Parsed::Section;
            p.name = Trim(t.substr(1, close - 1));
            return p;
        }
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return p;
    }
    p.kind = Parsed::Key;
    p.name = Trim(t.substr(0, eq));
    std::string_view rest = t.substr(eq + 1);
    std::string_view value = Trim(rest);
    p.value = value;
    p.valueBegin = std::size_t(value.data() - text.data());
    return p;
}

// Where a key stands: its line and parsed contents, and where its section's last
// non-blank line ends (for adding a key).
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Parsed key;
    Line keyLine;
    Line lastLineOfSection;  // the header or the last non-blank line after it
};

Location Locate(std::string_view text, std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    Location loc;
    Lines lines(text);
    Line line;
    bool inSection = false;
    while (lines.next(&line)) {
        Parsed p = ParseLine(text, line);
        if (p.kind == Parsed::Section) {
            if (inSection) {
                break;  // only the first section of the name counts
            }
            if (SameName(p.name, section)) {
                inSection = true;
                loc.sectionFound = true;
                loc.lastLineOfSection = line;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (p.kind == Parsed::Key && SameName(p.name, key)) {
            loc.keyFound = true;
            loc.key = p;
            loc.keyLine = line;
            return loc;
        }
        if (!Trim(text.substr(line.begin, line.end - line.begin)).empty()) {
            loc.lastLineOfSection = line;
        }
    }
    return loc;
}

bool HasAny(std::string_view s, std::string_view chars) {
    return s.find_first_of(chars) != std::string_view::npos;
}

bool Storable(std::string_view section, std::string_view key, std::string_view value) {
    static constexpr std::string_view kBreaks("\r\n\0", 3);
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty()) {
        return false;
    }
    if (HasAny(section, kBreaks) || HasAny(key, kBreaks) || HasAny(value, kBreaks)) {
        return false;
    }
    // The name must read back as the same section or key.
    if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        key.front() == '[') {
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    Location loc = Locate(text, section, key);
    if (!loc.keyFound) {
        return std::nullopt;
    }
    return Unquote(loc.key.value);
}

std::string_view LineEnding(std::string_view text) {
    std::size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos) {
        return "\r\n";
    }
    if (text[at] == '\n') {
        return "\n";
    }
    return (at + 1 < text.size() && text[at + 1] == '\n') ? std::string_view("\r\n")
                                                          : std::string_view("\r");
}

EditResult SetValue(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value, std::string* out) {
    if (!Storable(section, key, value)) {
        return EditResult::Refused;
    }
    Location loc = Locate(text, section, key);
    std::string_view eol = LineEnding(text);
    std::string result;
    if (loc.keyFound) {
        if (Unquote(loc.key.value) == value) {
            return EditResult::Unchanged;
        }
        std::size_t begin = loc.key.valueBegin;
        std::size_t end = begin + loc.key.value.size();
        result.reserve(text.size() + value.size());
        result.append(text.substr(0, begin));
        result.append(value);
        result.append(text.substr(end));
    } else if (loc.sectionFound) {
        const Line& last = loc.lastLineOfSection;
        std::string line = std::string(Trim(key)) + "=" + std::string(value);
        result.reserve(text.size() + line.size() + 2 * eol.size());
        if (last.next == last.end) {
            // The section's last line ends the text without a line break.
            result.append(text);
            result.append(eol);
            result.append(line);
        } else {
            result.append(text.substr(0, last.next));
            result.append(line);
            result.append(eol);
            result.append(text.substr(last.next));
        }
    } else {
        result.reserve(text.size() + section.size() + key.size() + value.size() + 8);
        result.append(text);
        bool bomOnly = text == "\xEF\xBB\xBF";
        if (!text.empty() && !bomOnly && text.back() != '\n' && text.back() != '\r') {
            result.append(eol);
        }
        result.append("[");
        result.append(Trim(section));
        result.append("]");
        result.append(eol);
        result.append(Trim(key));
        result.append("=");
        result.append(value);
        result.append(eol);
    }
    *out = std::move(result);
    return EditResult::Changed;
}

}  // namespace vm::profile
