// The rules that choose faces, apart from the font database: which faces stand in for a named face,
// which generic family a face belongs to, which language a character, a character set or a locale
// asks for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::fonts {

// Characters that a run draws with its East Asian face: CJK ideographs, kana, hangul, bopomofo,
// CJK symbols and punctuation, and full-width forms.
bool isEastAsian(char32_t code);

// East Asian characters that stand upright in vertical text; brackets, dashes, the long vowel
// mark and the wave dash turn with the column instead.
bool standsUprightInColumn(char32_t code);
// What an upright character of a column draws: the ideographic comma and full stop and the
// full-width comma take their vertical forms, which sit in the upper right of the cell instead
// of the lower left; any other character stays as it is.
char32_t verticalFormOf(char32_t code);
// The centre of an upright character's cell above its baseline, in ems (cells reach an em up and
// a fifth of an em down).
inline constexpr double kUprightCentre = 0.4;

// The capital a run drawn in capitals shows for code: Latin (Basic and Latin-1), Greek and
// Cyrillic small letters become capitals; any other character stays as it is.
char32_t capitalOf(char32_t code);

// The language whose faces draw a character best when its script alone says it ("ja" for kana,
// "ko" for hangul, "zh-tw" for bopomofo); empty when the script does not say.
std::string scriptLanguage(char32_t code);

// The language of a locale name such as "ja_JP.UTF-8" ("ja"; "zh-tw" for zh_TW); "en" for C,
// POSIX or an empty name.
std::string languageOfLocale(std::string_view locale);

// The language a record's character set asks for ("ja" for the Shift-JIS set); "en" for the ANSI
// and symbol sets; empty for the default set, which leaves it to the user's locale.
std::string languageOfCharset(std::uint8_t charSet);

// A face name as compared: full-width ASCII folded to ASCII, ASCII letters in lower case, runs of
// spaces as one, no spaces at either end.
std::string normalizeFaceName(std::string_view name);

// Installed faces that stand in for a face users' decks name and that this system may lack, in
// order of preference. Metric-compatible faces come first, so that text keeps its line breaks.
// Empty when the face has no known substitute.
std::vector<std::string> substitutesFor(std::string_view faceName);

enum class Generic { sansSerif, serif, monospace, cursive, fantasy };

// fontconfig's name of a generic family.
const char* genericName(Generic generic);

// The generic family of a face: from the record's pitch and family when it says, else guessed from
// the name (Times, Mincho, Song and the like are serif; Courier and Consolas monospace).
Generic genericFamilyFor(std::string_view faceName, std::uint8_t pitchAndFamily);

// The name as valid UTF-8 of at most `maxBytes` bytes: invalid sequences and control characters
// are dropped, a cut never splits a character.
std::string sanitizeFaceName(std::string_view name, std::size_t maxBytes = 256);

// The Unicode character that a symbol face (Symbol, Wingdings) shows for `code`, either as its
// 8-bit code or in the private-use form U+F020..U+F0FF those faces are addressed by; 0 when the
// face is no symbol face or the character is not one this system knows. Used when the symbol face
// itself is not installed, so that bullets keep their shape.
char32_t symbolFaceCharacter(std::string_view faceName, char32_t code);
bool isSymbolFace(std::string_view faceName);

// UTF-8 to code points; each byte of an invalid sequence gives U+FFFD.
std::u32string utf8ToCodePoints(std::string_view text);

}  // namespace quillet::fonts
