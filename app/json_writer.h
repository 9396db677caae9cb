// A small streaming JSON writer for the command's --json output: keeps commas and escapes right.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace quillet::app {

class JsonWriter {
  public:
    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }

    // The next value belongs to this key of the enclosing object.
    JsonWriter& key(std::string_view name) {
        separate();
        quote(name);
        out += ':';
        afterKey = true;
        return *this;
    }
    JsonWriter& value(std::string_view text) {
        separate();
        quote(text);
        return *this;
    }
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(const std::string& text) { return value(std::string_view(text)); }
    JsonWriter& value(long long number) {
        separate();
        out += std::to_string(number);
        return *this;
    }
    JsonWriter& value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(double number) {
        separate();
        if (!std::isfinite(number)) {
            out += "null";
            return *this;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", number);
        out += text;
        return *this;
    }
    JsonWriter& value(bool flag) {
        separate();
        out += flag ? "true" : "false";
        return *this;
    }

    const std::string& text() const { return out; }

    // A text as a JSON string literal, quotes included.
    static std::string quoted(std::string_view text) {
        JsonWriter writer;
        writer.quote(text);
        return writer.out;
    }

  private:
    JsonWriter& open(char bracket) {
        separate();
        out += bracket;
        first.push_back(true);
        return *this;
    }
    JsonWriter& close(char bracket) {
        out += bracket;
        if (!first.empty()) first.pop_back();
        return *this;
    }
    void separate() {
        if (afterKey) {
            afterKey = false;
            return;
        }
        if (first.empty()) return;
        if (!first.back()) out += ',';
        first.back() = false;
    }

    // Texts read from movies are 8-bit and need not be UTF-8: a byte that starts no valid
    // sequence is written as the Latin-1 character of that code.
    void quote(std::string_view text) {
        out += '"';
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c >= 0x80) {
                const std::size_t n = utf8::validLength(text.substr(i));
                if (n > 0) {
                    out.append(text.substr(i, n));
                    i += n - 1;
                } else {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                }
                continue;
            }
            switch (c) {
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    if (c < 0x20) {
                        char escape[8];
                        std::snprintf(escape, sizeof escape, "\\u%04x", c);
                        out += escape;
                    } else {
                        out += static_cast<char>(c);
                    }
            }
        }
        out += '"';
    }

    std::string out;
    std::vector<bool> first;
    bool afterKey = false;
};

}  // namespace quillet::app
