// ini_file.cpp - the INI layer: on-demand line scanner over a byte view, the
// integer conversion, and the CR LF writer. See ini_file.h for the rules.
#include "settings/ini_file.h"

#include <charconv>

namespace {

enum class IniLineKind { Comment, Header, Key };

struct IniLine {
    IniLineKind kind = IniLineKind::Comment;
    std::string_view name;  // header name or key
    std::string_view value; // key lines only
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: bytes of other encodings compare exactly, so no
// locale can make two different names equal.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

IniLine classifyLine(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && isBlank(line[start])) {
        ++start;
    }
    line.remove_prefix(start);
    IniLine out;
    if (!line.empty() && line[0] == ';') {
        out.kind = IniLineKind::Comment;
        return out;
    }
    if (!line.empty() && line[0] == '[') {
        out.kind = IniLineKind::Header;
        std::string_view inside = line.substr(1);
        out.name = inside.substr(0, inside.find(']')); // npos: to the end
        return out;
    }
    out.kind = IniLineKind::Key;
    size_t eq = line.find('=');
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && isBlank(key.back())) {
        key.remove_suffix(1);
    }
    out.name = key;
    if (eq != std::string_view::npos) {
        std::string_view value = line.substr(eq + 1);
        size_t lead = 0;
        while (lead < value.size() && isBlank(value[lead])) {
            ++lead;
        }
        out.value = value.substr(lead);
    }
    return out;
}

// Next non-empty line at or after *pos; *pos moves past it and its ending.
// CR and LF each end a line, so CR LF is one ending plus an empty line.
bool nextLine(const IniDocument* doc, size_t* pos, IniLine* line) {
    const char* text = doc->text;
    size_t i = *pos;
    while (i < doc->size && (text[i] == '\r' || text[i] == '\n')) {
        ++i;
    }
    if (i >= doc->size) {
        *pos = i;
        return false;
    }
    size_t begin = i;
    while (i < doc->size && text[i] != '\r' && text[i] != '\n') {
        ++i;
    }
    *line = classifyLine(std::string_view(text + begin, i - begin));
    *pos = i;
    return true;
}

} // namespace

void openIniDocument(IniDocument* doc, const char* bytes, size_t size) {
    *doc = IniDocument{};
    if (bytes == nullptr) {
        return;
    }
    if (size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        bytes += 3;
        size -= 3;
    }
    doc->text = bytes;
    doc->size = size;
}

bool selectIniGroup(IniDocument* doc, std::string_view name) {
    doc->hasGroup = false;
    doc->groupBody = 0;
    size_t pos = 0;
    IniLine line;
    while (nextLine(doc, &pos, &line)) {
        if (line.kind == IniLineKind::Header && equalsIgnoringAsciiCase(line.name, name)) {
            doc->hasGroup = true;
            doc->groupBody = pos;
            return true;
        }
    }
    return false;
}

int32_t readIniInt(const IniDocument* doc, std::string_view key, int32_t fallback) {
    if (!doc->hasGroup) {
        return fallback;
    }
    size_t pos = doc->groupBody;
    IniLine line;
    while (nextLine(doc, &pos, &line)) {
        if (line.kind == IniLineKind::Header) {
            break;
        }
        if (line.kind == IniLineKind::Key && equalsIgnoringAsciiCase(line.name, key)) {
            return parseIniInt(line.value);
        }
    }
    return fallback;
}

int32_t parseIniInt(std::string_view value) {
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing once it is past
    // the 32-bit range: a long run of digits saturates instead of wrapping.
    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        if (magnitude < limit) {
            magnitude = magnitude * 10 + (value[i] - '0');
        }
    }
    if (magnitude > limit) {
        magnitude = limit;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

void selectIniOutputGroup(IniOutput* out, std::string_view name) {
    out->current.assign(name);
}

void writeIniInt(IniOutput* out, std::string_view key, int32_t value) {
    IniGroup* group = nullptr;
    for (IniGroup& g : out->groups) {
        if (equalsIgnoringAsciiCase(g.name, out->current)) {
            group = &g;
            break;
        }
    }
    if (group == nullptr) {
        out->groups.push_back(IniGroup{out->current, {}});
        group = &out->groups.back();
    }
    for (IniKeyValue& kv : group->keys) {
        if (equalsIgnoringAsciiCase(kv.key, key)) {
            kv.value = value;
            return;
        }
    }
    group->keys.push_back(IniKeyValue{std::string(key), value});
}

std::string serializeIniOutput(const IniOutput& out) {
    std::string bytes;
    for (const IniGroup& g : out.groups) {
        bytes += '[';
        bytes += g.name;
        bytes += "]\r\n";
        for (const IniKeyValue& kv : g.keys) {
            char number[16];
            auto result = std::to_chars(number, number + sizeof number, kv.value);
            bytes += kv.key;
            bytes += " = ";
            bytes.append(number, result.ptr);
            bytes += "\r\n";
        }
    }
    return bytes;
}
