// Windows-1252 conversion: table bytes, Latin-1 letters, round trips and foreign input.
#include "settings/codepage.h"

#include <gtest/gtest.h>

namespace gyro {

TEST(CodePage, ConvertsBothWays) {
    struct Case {
        const char* utf8;
        const char* cp1252;
    };
    const Case cases[] = {
        {"Dipôle", "Dip\xF4le"},
        {"Déclinaison", "D\xE9\x63linaison"},
        {"n° de station", "n\xB0 de station"},
        {"€ œ Ÿ „ …", "\x80 \x9C \x9F \x84 \x85"},
        {"“quoted” – ‘x’ ™", "\x93quoted\x94 \x96 \x91x\x92 \x99"},
        {"ÿ ß Þ", "\xFF \xDF \xDE"},
        {"plain ASCII 0-9", "plain ASCII 0-9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
        EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8) << c.utf8;
    }
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(CodePage, ForeignTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("日本 Ω"), "?? ?");
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");                                   // not UTF-8
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");             // cut in the middle of a character
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");          // overlong form
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");     // surrogate
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80!"), "?!"); // outside the code page
}

TEST(CodePage, UpperCasesAccentedLetters) {
    EXPECT_EQ(Cp1252ToUtf8(UpperCp1252(Utf8ToCp1252("terre dipôle œuf ÿ ß é÷"))),
              "TERRE DIPÔLE ŒUF Ÿ ß É÷");
}

} // namespace gyro
