// Base64 (RFC 4648, with padding) for the movie inside a mail and an exported page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::app {

// lineLength 0: one line; otherwise CRLF after every lineLength characters (mail bodies).
inline std::string base64(std::string_view bytes, std::size_t lineLength = 0) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4 + (lineLength ? bytes.size() / lineLength * 2 : 0));
    std::size_t column = 0;
    const auto put = [&](char c) {
        if (lineLength != 0 && column == lineLength) {
            text += "\r\n";
            column = 0;
        }
        text += c;
        ++column;
    };
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (n > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (n > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        put(kDigits[(group >> 18) & 63]);
        put(kDigits[(group >> 12) & 63]);
        put(n > 1 ? kDigits[(group >> 6) & 63] : '=');
        put(n > 2 ? kDigits[group & 63] : '=');
    }
    return text;
}

}  // namespace quillet::app
