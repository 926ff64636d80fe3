// settings.cpp - loadSettings()/saveSettings(): "Brivane.ini" in the current
// working directory, read through the INI layer and replaced in one step.
//
// Neither call reports anything: a missing or damaged file gives the
// defaults, and a save that cannot happen leaves the old file untouched.
#include "settings/settings.h"

#include "settings/ini_file.h"
#include "settings/settings_file.h"

#include <string>

Settings settings;

namespace {

constexpr const char* SettingsFileName = "Brivane.ini";
constexpr const char* SettingsGroup = "system";
constexpr const char* LightKey = "light";
constexpr const char* WindowXKey = "PosWindowX";
constexpr const char* WindowYKey = "PosWindowY";

// Only the low 8 bits are kept, as a signed byte: 256 reads as 0, 255 as -1.
// Out-of-range values have already saturated, so 99999999999 reads as -1.
int8_t lowSignedByte(int32_t value) {
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu));
}

} // namespace

void loadSettings() {
    Settings defaults;
    FileBytes bytes;
    readWholeFile(SettingsFileName, &bytes); // unreadable: empty, so defaults
    IniDocument doc;
    openIniDocument(&doc, bytes.data, bytes.size);
    selectIniGroup(&doc, SettingsGroup);
    settings.lightEnabled = lowSignedByte(readIniInt(&doc, LightKey, defaults.lightEnabled));
    settings.windowX = readIniInt(&doc, WindowXKey, defaults.windowX);
    settings.windowY = readIniInt(&doc, WindowYKey, defaults.windowY);
    releaseFileBytes(&bytes);
}

void saveSettings() {
    IniOutput out;
    selectIniOutputGroup(&out, SettingsGroup);
    writeIniInt(&out, LightKey, settings.lightEnabled);
    writeIniInt(&out, WindowXKey, settings.windowX);
    writeIniInt(&out, WindowYKey, settings.windowY);
    std::string bytes = serializeIniOutput(out);
    replaceFileAtomically(SettingsFileName, bytes.data(), bytes.size());
}
