// text_1252_test.cpp - Windows-1252 to UTF-8.
#include "display/sdl/text_1252.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string convert(const char* text, size_t size = 256) {
    char out[256];
    EXPECT_TRUE(windows1252ToUtf8(text, out, size)) << text;
    return out;
}

TEST(Text1252, ConvertsTheProgramsStringsAndEveryKindOfByte) {
    struct Case {
        const char* in;
        const char* utf8;
    };
    const Case cases[] = {
        {"", ""},
        {"Erreur", "Erreur"},
        {"Impossible d'ouvrir un \xE9"
         "cran dans la fen\xEAtre!",
         "Impossible d'ouvrir un \xC3\xA9"
         "cran dans la fen\xC3\xAAtre!"},
        {"\x80", "\xE2\x82\xAC"}, // euro sign, three bytes
        {"\x9F", "\xC5\xB8"},     // Y with diaeresis
        {"\x81\x8D\x8F\x90\x9D",  // undefined: the C1 controls
         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"}, // Latin-1 range
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convert(c.in), c.utf8);
    }
    EXPECT_EQ(convert(nullptr), "");
}

TEST(Text1252, TextThatDoesNotFitGivesAnEmptyStringNotAPartOne) {
    char out[8];
    std::memset(out, 'x', sizeof out);
    // "\xE9" needs two bytes: "abcde" + 2 + NUL is one too many for 7.
    EXPECT_FALSE(windows1252ToUtf8("abcde\xE9", out, 7));
    EXPECT_STREQ(out, "");
    EXPECT_EQ(out[7], 'x'); // nothing written past the given size
    EXPECT_TRUE(windows1252ToUtf8("abcde\xE9", out, 8));
    EXPECT_STREQ(out, "abcde\xC3\xA9");
    EXPECT_FALSE(windows1252ToUtf8("a", out, 0));
    EXPECT_FALSE(windows1252ToUtf8("a", nullptr, 4));
}

} // namespace
