#include "fonts/matching.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fonts/logical_font.h"

namespace quillet::fonts {
namespace {

TEST(Matching, EastAsianCharacters) {
    EXPECT_TRUE(isEastAsian(U'日'));
    EXPECT_TRUE(isEastAsian(U'あ'));
    EXPECT_TRUE(isEastAsian(U'カ'));
    EXPECT_TRUE(isEastAsian(U'한'));
    EXPECT_TRUE(isEastAsian(U'。'));
    EXPECT_TRUE(isEastAsian(U'Ａ'));          // full-width Latin
    EXPECT_TRUE(isEastAsian(U'\U00020B9F'));  // supplementary ideograph
    EXPECT_FALSE(isEastAsian(U'A'));
    EXPECT_FALSE(isEastAsian(U'é'));
    EXPECT_FALSE(isEastAsian(U'Ж'));
    EXPECT_FALSE(isEastAsian(U'•'));
}

TEST(Matching, ScriptLanguages) {
    EXPECT_EQ(scriptLanguage(U'あ'), "ja");
    EXPECT_EQ(scriptLanguage(U'ｶ'), "ja");
    EXPECT_EQ(scriptLanguage(U'한'), "ko");
    EXPECT_EQ(scriptLanguage(U'ㄅ'), "zh-tw");
    EXPECT_EQ(scriptLanguage(U'日'), "");  // shared by Chinese, Japanese and Korean
    EXPECT_EQ(scriptLanguage(U'A'), "");
}

TEST(Matching, LanguagesOfLocalesAndCharacterSets) {
    EXPECT_EQ(languageOfLocale("ja_JP.UTF-8"), "ja");
    EXPECT_EQ(languageOfLocale("zh_TW.UTF-8"), "zh-tw");
    EXPECT_EQ(languageOfLocale("zh_HK"), "zh-hk");
    EXPECT_EQ(languageOfLocale("zh_CN.GB18030"), "zh-cn");
    EXPECT_EQ(languageOfLocale("de_DE@euro"), "de");
    EXPECT_EQ(languageOfLocale("C.UTF-8"), "en");
    EXPECT_EQ(languageOfLocale("POSIX"), "en");
    EXPECT_EQ(languageOfLocale(""), "en");
    EXPECT_EQ(languageOfLocale("???"), "en");

    EXPECT_EQ(languageOfCharset(charset::ansi), "en");
    EXPECT_EQ(languageOfCharset(charset::defaultSet), "");
    EXPECT_EQ(languageOfCharset(charset::shiftJis), "ja");
    EXPECT_EQ(languageOfCharset(charset::hangul), "ko");
    EXPECT_EQ(languageOfCharset(charset::gb2312), "zh-cn");
    EXPECT_EQ(languageOfCharset(charset::chineseBig5), "zh-tw");
    EXPECT_EQ(languageOfCharset(charset::russian), "ru");
}

TEST(Matching, FaceNamesCompareWithoutCaseOrWidth) {
    EXPECT_EQ(normalizeFaceName("  Times   New Roman "), "times new roman");
    EXPECT_EQ(normalizeFaceName("ＭＳ Ｐゴシック"), "ms pゴシック");
    EXPECT_EQ(normalizeFaceName("ＭＳ\u3000明朝"), "ms 明朝");
    EXPECT_EQ(normalizeFaceName("\xff\xfe"
                                "Arial"),
              "arial");
}

TEST(Matching, KnownSubstitutes) {
    EXPECT_EQ(substitutesFor("Calibri"), std::vector<std::string>{"Carlito"});
    EXPECT_EQ(substitutesFor("CALIBRI"), std::vector<std::string>{"Carlito"});
    EXPECT_EQ(substitutesFor("Cambria"), std::vector<std::string>{"Caladea"});
    EXPECT_EQ(substitutesFor("Arial").front(), "Liberation Sans");
    EXPECT_EQ(substitutesFor("Times New Roman").front(), "Liberation Serif");
    EXPECT_EQ(substitutesFor("Courier New").front(), "Liberation Mono");
    EXPECT_EQ(substitutesFor("Comic Sans MS"), std::vector<std::string>{"Comic Neue"});
    EXPECT_EQ(substitutesFor("ＭＳ Ｐゴシック"), std::vector<std::string>{"Noto Sans CJK JP"});
    EXPECT_EQ(substitutesFor("宋体"), std::vector<std::string>{"Noto Serif CJK SC"});
    EXPECT_EQ(substitutesFor("맑은 고딕"), std::vector<std::string>{"Noto Sans CJK KR"});
    EXPECT_TRUE(substitutesFor("Swiss 72 1 BT").empty());
    EXPECT_TRUE(substitutesFor("").empty());
}

TEST(Matching, GenericFamilies) {
    EXPECT_EQ(genericFamilyFor("Times", 0), Generic::serif);
    EXPECT_EQ(genericFamilyFor("Book Antiqua", 0), Generic::serif);
    EXPECT_EQ(genericFamilyFor("ＭＳ 明朝", 0), Generic::serif);
    EXPECT_EQ(genericFamilyFor("Microsoft Sans Serif", 0), Generic::sansSerif);
    EXPECT_EQ(genericFamilyFor("MS PGothic", 0), Generic::sansSerif);
    EXPECT_EQ(genericFamilyFor("Consolas", 0), Generic::monospace);
    EXPECT_EQ(genericFamilyFor("Swiss 72 1 BT", 0), Generic::sansSerif);
    // The record's family wins over the name.
    EXPECT_EQ(genericFamilyFor("Swiss 72 1 BT", family::roman), Generic::serif);
    EXPECT_EQ(genericFamilyFor("Arial", family::fixedPitch), Generic::monospace);
    EXPECT_EQ(genericFamilyFor("X", family::script), Generic::cursive);
    EXPECT_STREQ(genericName(Generic::serif), "serif");
    EXPECT_STREQ(genericName(Generic::sansSerif), "sans-serif");
}

TEST(Matching, SanitizedNamesAreValidAndBounded) {
    EXPECT_EQ(sanitizeFaceName("Ari\x01"
                               "al\xc0\xaf"),
              "Arial");                                 // control and overlong bytes go
    EXPECT_EQ(sanitizeFaceName("\xed\xa0\x80X"), "X");  // encoded surrogate
    std::string longName(1000, 'a');
    EXPECT_EQ(sanitizeFaceName(longName).size(), 256u);
    // A cut never splits a character.
    std::string wide;
    for (int i = 0; i < 100; ++i) wide += "日";
    std::string cut = sanitizeFaceName(wide, 10);
    EXPECT_EQ(cut, "日日日");
}

TEST(Matching, SymbolFaceCharacters) {
    EXPECT_TRUE(isSymbolFace("Wingdings"));
    EXPECT_TRUE(isSymbolFace("SYMBOL"));
    EXPECT_FALSE(isSymbolFace("Arial"));
    // Bullets as decks store them: 8-bit codes or their private-use form.
    EXPECT_EQ(symbolFaceCharacter("Wingdings", 0xA7), U'▪');
    EXPECT_EQ(symbolFaceCharacter("Wingdings", 0xF0A7), U'▪');
    EXPECT_EQ(symbolFaceCharacter("Wingdings", 0xD8), U'➢');
    EXPECT_EQ(symbolFaceCharacter("Wingdings", U'v'), U'❖');
    EXPECT_EQ(symbolFaceCharacter("Wingdings", 0xFC), U'✔');
    EXPECT_EQ(symbolFaceCharacter("Symbol", 0xF0B7), U'•');
    EXPECT_EQ(symbolFaceCharacter("Symbol", U'a'), U'α');
    EXPECT_EQ(symbolFaceCharacter("Symbol", U'W'), U'Ω');
    EXPECT_EQ(symbolFaceCharacter("Symbol", U'3'), U'3');
    EXPECT_TRUE(isSymbolFace("Wingdings 3"));
    EXPECT_EQ(symbolFaceCharacter("Wingdings 3", 0xF07D), U'▸');
    EXPECT_EQ(symbolFaceCharacter("Wingdings 3", U'A'), 0u);
    // Unknown signs and other faces are left alone.
    EXPECT_EQ(symbolFaceCharacter("Wingdings", U'A'), 0u);
    EXPECT_EQ(symbolFaceCharacter("Arial", 0xF0A7), 0u);
    EXPECT_EQ(symbolFaceCharacter("Symbol", 0x1234), 0u);
    EXPECT_EQ(symbolFaceCharacter("Symbol", 0x10), 0u);
}

TEST(LogicalFont, FilledAsTheConversionDoes) {
    LogicalFont f = logicalFontFor(17.6, true, false, true, true, "Calibri", "ＭＳ Ｐゴシック");
    EXPECT_EQ(f.height, 18);
    EXPECT_EQ(f.weight, 700);
    EXPECT_EQ(f.italic, 0);
    EXPECT_EQ(f.underline, 1);
    EXPECT_EQ(f.charSet, charset::ansi);
    EXPECT_EQ(f.faceName, "Calibri");
    EXPECT_EQ(f.eastAsianFaceName, "ＭＳ Ｐゴシック");

    LogicalFont g = logicalFontFor(12, false, true, false, false, "", "宋体");
    EXPECT_EQ(g.height, 12);
    EXPECT_EQ(g.weight, 500);
    EXPECT_EQ(g.italic, 1);
    EXPECT_EQ(g.charSet, charset::defaultSet);
    EXPECT_EQ(g.faceName, "宋体");  // the East Asian name when the face name is empty

    EXPECT_EQ(logicalFontFor(-5, false, false, false, true, "A", "").height, 0);
    EXPECT_EQ(logicalFontFor(1e30, false, false, false, true, "A", "").height, 100000);
    EXPECT_EQ(logicalFontFor(std::nan(""), false, false, false, true, "A", "").height, 0);
}

TEST(LogicalFont, HeightAloneDoesNotMakeAnotherFont) {
    LogicalFont a = logicalFontFor(12, false, false, false, true, "Arial", "");
    LogicalFont b = logicalFontFor(30, false, false, false, true, "Arial", "");
    EXPECT_TRUE(sameFontApartFromHeight(a, b));
    EXPECT_FALSE(a == b);
    b.weight = 700;
    EXPECT_FALSE(sameFontApartFromHeight(a, b));
    b = a;
    b.eastAsianFaceName = "宋体";
    EXPECT_FALSE(sameFontApartFromHeight(a, b));
}

}  // namespace
}  // namespace quillet::fonts
