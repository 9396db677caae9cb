// UTF-8 for the whole program, decoding and encoding alike. Decoding takes only shortest-form
// sequences of scalar values: a byte that starts no such sequence (a stray continuation byte, an
// overlong form, a surrogate, a code point past U+10FFFF, a sequence cut short) stands as U+FFFD
// and decoding goes on at the next byte, so each bad byte is one character. Encoding writes U+FFFD
// for anything that is no scalar value, so its output is always valid.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid sequence at the start of text: 1 to 4, or 0 when none starts there.
inline std::size_t validLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return 1;
    const std::size_t n = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (n == 0 || text.size() < n) return 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    const auto second = static_cast<unsigned char>(text[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
    }
    return n;
}

// The character at byte i, moving i past it: U+FFFD and one byte on where no valid sequence
// starts. i must be inside the text.
inline char32_t next(std::string_view text, std::size_t& i) {
    const std::size_t n = validLength(text.substr(i));
    if (n == 0) {
        ++i;
        return kReplacement;
    }
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    char32_t code = n == 1 ? byte(0) : byte(0) & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) code = (code << 6) | (byte(k) & 0x3F);
    i += n;
    return code;
}

inline std::u32string decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) out.push_back(next(text, i));
    return out;
}

inline void append(std::string& out, char32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacement;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

inline std::string encode(std::u32string_view codes) {
    std::string out;
    out.reserve(codes.size());
    for (char32_t c : codes) append(out, c);
    return out;
}

}  // namespace quillet::utf8
