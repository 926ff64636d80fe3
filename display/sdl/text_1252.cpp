// text_1252.cpp - Windows-1252 to UTF-8 (see text_1252.h).
#include "display/sdl/text_1252.h"

#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0x9F, the only range where Windows-1252
// differs from Latin-1; 0 marks the five undefined bytes.
constexpr uint16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t codePointOf(uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F && HighControls[byte - 0x80] != 0) {
        return HighControls[byte - 0x80];
    }
    return byte; // ASCII, Latin-1, and the undefined bytes as C1 controls
}

} // namespace

bool windows1252ToUtf8(const char* text, char* out, size_t outSize) {
    if (!out || outSize == 0) {
        return false;
    }
    size_t n = 0;
    for (const char* p = text ? text : ""; *p; ++p) {
        uint32_t c = codePointOf(static_cast<uint8_t>(*p));
        uint8_t bytes[3];
        size_t length;
        if (c < 0x80) {
            bytes[0] = static_cast<uint8_t>(c);
            length = 1;
        } else if (c < 0x800) {
            bytes[0] = static_cast<uint8_t>(0xC0 | (c >> 6));
            bytes[1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
            length = 2;
        } else {
            bytes[0] = static_cast<uint8_t>(0xE0 | (c >> 12));
            bytes[1] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
            bytes[2] = static_cast<uint8_t>(0x80 | (c & 0x3F));
            length = 3;
        }
        // Room for these bytes and the final NUL, or nothing at all.
        if (outSize - n <= length) {
            out[0] = '\0';
            return false;
        }
        for (size_t i = 0; i < length; ++i) {
            out[n++] = static_cast<char>(bytes[i]);
        }
    }
    out[n] = '\0';
    return true;
}
