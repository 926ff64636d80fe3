// ini_fuzz.cpp - libFuzzer target for the INI reader: any bytes are opened,
// searched for groups and keys, and what is read is written and read back.
// Aborts when a read is not repeatable or a round trip changes a value.
#include "settings/ini_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    IniDocument doc;
    openIniDocument(&doc, bytes, size);

    // The gauge's own lookups, then names taken from the input itself so that
    // matching headers and keys are reached without a dictionary.
    std::string_view input(bytes, size);
    std::string_view head = input.substr(0, input.size() < 8 ? input.size() : 8);
    const std::string_view groups[] = {"system", "SYSTEM", "", head};
    const std::string_view keys[] = {"light", "PosWindowX", "PosWindowY", "", head};

    IniOutput out;
    for (std::string_view group : groups) {
        bool found = selectIniGroup(&doc, group);
        for (std::string_view key : keys) {
            int32_t a = readIniInt(&doc, key, 1);
            int32_t b = readIniInt(&doc, key, 2);
            // Only a missing key gives the fallback, so two fallbacks can
            // only disagree there.
            check(a == b || (a == 1 && b == 2));
            check(found || (a == 1 && b == 2));
            if (group == "system") {
                selectIniOutputGroup(&out, group);
                writeIniInt(&out, key.empty() ? "empty" : key, a);
            }
        }
    }

    std::string written = serializeIniOutput(out);
    IniDocument back;
    openIniDocument(&back, written.data(), written.size());
    check(selectIniGroup(&back, "system"));
    selectIniGroup(&doc, "system");
    for (std::string_view key : keys) {
        if (key.empty() || key == head) {
            continue;
        }
        check(readIniInt(&back, key, 7) == readIniInt(&doc, key, 1));
    }
    return 0;
}
