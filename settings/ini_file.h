// ini_file.h - the INI layer of the settings file: reads groups of
// "key = value" lines from a byte buffer and writes integer keys back.
//
// Reading: openIniDocument() takes a view of the whole file (it copies
// nothing and allocates nothing, so memory stays what the caller read), skips
// a UTF-8 byte order mark, and selectIniGroup()/readIniInt() then scan the
// bytes on demand. The rules:
//   - CR and LF both end a line, in any mix; empty lines are skipped.
//   - Leading spaces and tabs are skipped; ';' starts a comment line.
//   - '[' starts a header; the name runs to the next ']' or the end of the
//     line and is NOT trimmed ("[ system ]" names " system ").
//   - Any other line is a key line: the key runs to the first '=' (trailing
//     blanks removed), the value after it (leading blanks skipped, trailing
//     blanks and further '=' kept). No '=': empty value.
//   - Lines before the first header belong to no group and are never read.
//   - Group and key names match ignoring the case of ASCII letters only;
//     the first matching header and the first matching key win.
//   - Values convert as an optional sign and decimal digits up to the first
//     other byte; no digit gives 0 (not the default). Values beyond the
//     32-bit range saturate to INT32_MIN or INT32_MAX.
// Every byte is data, NUL included: a damaged file is read by the same rules
// and never fails.
//
// Writing: an IniOutput collects groups and integer keys in the order they
// are first written (a key written again is overwritten in place; a group
// appears once it has a key) and serializeIniOutput() gives the bytes:
// "[name]" and "key = value" lines, each ending in CR LF, no BOM, values in
// the "%i" form. Names are written as given: the caller keeps CR, LF, ']'
// and '=' out of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct IniDocument {
    const char* text = nullptr; // the file after its byte order mark
    size_t size = 0;
    bool hasGroup = false; // a selected group was found
    size_t groupBody = 0;  // offset of the line after the selected header
};

// Views `size` bytes at `bytes` (which must outlive the document); null or
// empty gives an empty document, whose every read gives its default.
void openIniDocument(IniDocument* doc, const char* bytes, size_t size);

// Makes the first header named `name` the current group. False (and every
// later read gives its default) when the document has no such header.
bool selectIniGroup(IniDocument* doc, std::string_view name);

// The first `key` of the current group, converted; `fallback` when there is
// no current group or the group lacks the key.
int32_t readIniInt(const IniDocument* doc, std::string_view key, int32_t fallback);

// The value conversion on its own: sign, digits, saturation.
int32_t parseIniInt(std::string_view value);

struct IniKeyValue {
    std::string key;
    int32_t value = 0;
};

struct IniGroup {
    std::string name;
    std::vector<IniKeyValue> keys;
};

struct IniOutput {
    std::vector<IniGroup> groups;
    std::string current; // the group the next writes go to
};

void selectIniOutputGroup(IniOutput* out, std::string_view name);
void writeIniInt(IniOutput* out, std::string_view key, int32_t value);
std::string serializeIniOutput(const IniOutput& out);
