// ini_file_test.cpp - the INI layer on byte buffers: every reading rule as a
// row of a table, the value conversion, and the writer's bytes.
#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using namespace std::string_literals;

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

struct ReadCase {
    const char* what;
    std::string text;
    std::string group;
    std::string key;
    int32_t expected; // the fallback passed is always 99
};

const ReadCase readCases[] = {
    {"plain CR LF file", "[system]\r\nlight = 1\r\nPosWindowX = 120\r\n", "system", "PosWindowX",
     120},
    {"LF only", "[system]\nlight = 3\n", "system", "light", 3},
    {"CR only", "[system]\rlight = 3\r", "system", "light", 3},
    {"CR, LF and CR LF mixed", "[a]\r\n\r\r[system]\rx=1\n\n\r\nlight=4", "system", "light", 4},
    {"no final line ending", "[system]\nlight=5", "system", "light", 5},
    {"BOM skipped", "\xEF\xBB\xBF[system]\r\nlight = 6\r\n", "system", "light", 6},
    {"second BOM is data", "\xEF\xBB\xBF\xEF\xBB\xBF[system]\nlight=6\n", "system", "light", 99},
    {"group in capitals", "[SYSTEM]\nlight=7\n", "system", "light", 7},
    {"key in capitals", "[system]\nLIGHT=7\n", "system", "light", 7},
    {"mixed case both ways", "[sYsTeM]\nposwindowx=-900\n", "System", "PosWindowX", -900},
    {"no spaces around =", "[system]\nlight=8\n", "system", "light", 8},
    {"blanks around key and value", "[system]\n \t light \t= \t 9  \t\n", "system", "light", 9},
    {"blanks before header", "  \t[system]\nlight=9\n", "system", "light", 9},
    {"spaces inside brackets", "[ system ]\nlight=0\n", "system", "light", 99},
    {"untrimmed name is its own group", "[ system ]\nlight=0\n", " system ", "light", 0},
    {"header without ]", "[system\nlight=2\n", "system", "light", 2},
    {"text after ] ignored", "[system] ; old\nlight=2\n", "system", "light", 2},
    {"first key wins", "[system]\nlight=2\nlight=3\n", "system", "light", 2},
    {"first group wins", "[system]\nlight=2\n[system]\nlight=3\nPosWindowY=5\n", "system",
     "PosWindowY", 99},
    {"key above first header", "light=4\n[system]\nPosWindowX=1\n", "system", "light", 99},
    {"key of another group", "[system]\nx=1\n[other]\nlight=4\n", "system", "light", 99},
    {"group after another", "[other]\nlight=4\n[system]\nlight=5\n", "system", "light", 5},
    {"missing group", "[other]\nlight=4\n", "system", "light", 99},
    {"missing key", "[system]\nPosWindowX=4\n", "system", "light", 99},
    {"comment passed over", "[system]\n;light=4\n  ; light=3\nlight=5\n", "system", "light", 5},
    {"comment header ignored", ";[system]\nlight=4\n", "system", "light", 99},
    {"empty value is 0", "[system]\nlight=\n", "system", "light", 0},
    {"no = is an empty value", "[system]\nlight\n", "system", "light", 0},
    {"no = with trailing blanks", "[system]\nlight  \t\n", "system", "light", 0},
    {"value not a number is 0", "[system]\nlight = abc\n", "system", "light", 0},
    {"further = belongs to value", "[system]\nlight==3\n", "system", "light", 0},
    {"trailing blanks stay in value", "[system]\nlight = 12  \n", "system", "light", 12},
    {"= first is an empty key", "[system]\n=5\nlight=1\n", "system", "light", 1},
    {"blank inside key", "[system]\nli ght=5\n", "system", "light", 99},
    {"empty group name", "[]\nlight=5\n", "", "light", 5},
    {"only ASCII folds", "[system]\n\xE9t\xE9=1\n", "system", "\xC9t\xC9", 99},
    {"high bytes match exactly", "[syst\xE8me]\n\xE9t\xE9=1\n", "syst\xE8me", "\xE9t\xE9", 1},
    {"NUL in key", "[system]\nlight\0=5\n"s, "system", "light", 99},
    {"NUL ends the digits",
     "[system]\nlight=4\0"
     "7\n"s,
     "system", "light", 4},
    {"NUL after header name", "[system]\0\nlight=3\n"s, "system", "light", 3},
    {"NUL inside header name", "[sys\0tem]\nlight=3\n"s, "system", "light", 99},
    {"empty file", "", "system", "light", 99},
    {"lone BOM", "\xEF\xBB\xBF", "system", "light", 99},
    {"only CRs", std::string(1000, '\r'), "system", "light", 99},
};

TEST(IniRead, FollowsEveryReadingRule) {
    for (const ReadCase& c : readCases) {
        IniDocument doc;
        openIniDocument(&doc, c.text.data(), c.text.size());
        selectIniGroup(&doc, c.group);
        EXPECT_EQ(readIniInt(&doc, c.key, 99), c.expected) << c.what;
    }
}

TEST(IniRead, SelectReportsAndResetsTheGroup) {
    std::string text = "[a]\nk=1\n[b]\nk=2\n";
    IniDocument doc;
    openIniDocument(&doc, text.data(), text.size());
    EXPECT_EQ(readIniInt(&doc, "k", 99), 99) << "nothing selected yet";
    EXPECT_TRUE(selectIniGroup(&doc, "b"));
    EXPECT_EQ(readIniInt(&doc, "k", 99), 2);
    EXPECT_TRUE(selectIniGroup(&doc, "A"));
    EXPECT_EQ(readIniInt(&doc, "k", 99), 1);
    EXPECT_FALSE(selectIniGroup(&doc, "c"));
    EXPECT_EQ(readIniInt(&doc, "k", 99), 99) << "a failed select leaves no group";
    openIniDocument(&doc, nullptr, 0);
    EXPECT_FALSE(selectIniGroup(&doc, "a"));
}

TEST(IniRead, ConvertsValuesAndSaturates) {
    struct {
        const char* text;
        int32_t expected;
    } const cases[] = {
        {"12abc", 12},
        {"+7", 7},
        {"-5", -5},
        {"abc", 0},
        {"", 0},
        {"0x10", 0},
        {"-", 0},
        {"+", 0},
        {"+-5", 0},
        {"--5", 0},
        {" 5", 0},
        {"007", 7},
        {"-0", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"99999999999999999999999999", INT32_MAX},
        {"-99999999999999999999999999", INT32_MIN},
        {"000000000000000000000042", 42},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIniInt(c.text), c.expected) << '"' << c.text << '"';
    }
    std::string longDigits(1 << 20, '9');
    EXPECT_EQ(parseIniInt(longDigits), INT32_MAX);
    EXPECT_EQ(parseIniInt("-" + longDigits), INT32_MIN);
}

TEST(IniWrite, WritesCrLfLinesInOrderOfFirstWrite) {
    IniOutput out;
    selectIniOutputGroup(&out, "system");
    writeIniInt(&out, "light", 1);
    writeIniInt(&out, "PosWindowX", 120);
    writeIniInt(&out, "PosWindowY", -40);
    EXPECT_EQ(hex(serializeIniOutput(out)),
              hex("[system]\r\nlight = 1\r\nPosWindowX = 120\r\nPosWindowY = -40\r\n"));
}

TEST(IniWrite, OverwritesInPlaceAndAddsGroupsWithTheirFirstKey) {
    IniOutput out;
    selectIniOutputGroup(&out, "empty"); // never written to: no header
    selectIniOutputGroup(&out, "a");
    writeIniInt(&out, "x", 1);
    writeIniInt(&out, "y", INT32_MIN);
    selectIniOutputGroup(&out, "b");
    writeIniInt(&out, "x", INT32_MAX);
    selectIniOutputGroup(&out, "A");
    writeIniInt(&out, "X", 3); // same group and key, other case: in place
    EXPECT_EQ(serializeIniOutput(out),
              "[a]\r\nx = 3\r\ny = -2147483648\r\n[b]\r\nx = 2147483647\r\n");
    EXPECT_EQ(serializeIniOutput(IniOutput{}), "");
}

std::string keyName(size_t i) {
    std::string name = std::to_string(i);
    name.insert(name.begin(), 'k');
    return name;
}

TEST(IniWrite, WhatIsWrittenReadsBack) {
    const int32_t values[] = {0, 1, -1, 127, -128, 255, 256, -900, INT32_MIN, INT32_MAX};
    IniOutput out;
    selectIniOutputGroup(&out, "system");
    for (size_t i = 0; i < std::size(values); ++i) {
        writeIniInt(&out, keyName(i), values[i]);
    }
    std::string bytes = serializeIniOutput(out);
    IniDocument doc;
    openIniDocument(&doc, bytes.data(), bytes.size());
    ASSERT_TRUE(selectIniGroup(&doc, "system"));
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(readIniInt(&doc, keyName(i), 12345), values[i]);
    }
}

} // namespace
