#include "host/pptx/xml.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "host/pptx/package.h"

namespace quillet::pptx {

namespace {

// Numeric character references to code points that are no characters (0, which would end the
// text where it stands, surrogates, beyond U+10FFFF) become U+FFFD, so that the rest of the text
// survives and every text read is valid UTF-8. Returns false when there is none to replace.
bool replaceBadReferences(const std::string& text, std::string& out) {
    std::size_t from = 0;
    bool replaced = false;
    for (std::size_t at = text.find("&#"); at != std::string::npos; at = text.find("&#", at + 2)) {
        std::size_t i = at + 2;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        if (hex) ++i;
        const std::size_t digits = i;
        unsigned long long value = 0;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0) break;
            value = std::min<unsigned long long>(value * (hex ? 16 : 10) + digit, 0x110000);
        }
        if (i == digits || i >= text.size() || text[i] != ';') continue;
        if (value != 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) continue;
        out.append(text, from, at - from);
        out += "&#xFFFD;";
        from = i + 1;
        replaced = true;
    }
    if (replaced) out.append(text, from, std::string::npos);
    return replaced;
}

}  // namespace

std::shared_ptr<pugi::xml_document> parseXml(const std::string& original,
                                             const std::string& partName) {
    std::string mended;
    const std::string& text = replaceBadReferences(original, mended) ? mended : original;
    auto doc = std::make_shared<pugi::xml_document>();
    // No parse_doctype: a DOCTYPE with its entity declarations is skipped, and pugixml expands
    // only predefined and numeric references, so entity tricks cannot grow the text.
    unsigned options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute |
                       pugi::parse_eol | pugi::parse_ws_pcdata_single;
    pugi::xml_parse_result result =
        doc->load_buffer(text.data(), text.size(), options, pugi::encoding_auto);
    if (!result) {
        throw PackageError("part \"" + partName + "\": malformed XML at byte " +
                           std::to_string(result.offset) + " (" + result.description() + ")");
    }
    if (!doc->document_element()) throw PackageError("part \"" + partName + "\" has no root");
    return doc;
}

std::shared_ptr<pugi::xml_document> loadXmlPart(const Package& package, const std::string& name) {
    return parseXml(package.readXmlPart(name), name);
}

std::string_view localName(const char* qualified) {
    const char* colon = std::strrchr(qualified, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(qualified);
}

bool is(pugi::xml_node node, std::string_view local) {
    return localName(node.name()) == local;
}

pugi::xml_node child(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == local) return c;
    }
    return {};
}

pugi::xml_node path(pugi::xml_node node, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names) {
        node = child(node, n);
        if (!node) return {};
    }
    return node;
}

pugi::xml_attribute attr(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::strchr(a.name(), ':') == nullptr && local == a.name()) return a;
    }
    // Attributes of extension namespaces (p14:dur) are found by local name when no plain one is.
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (localName(a.name()) == local && std::strncmp(a.name(), "xmlns", 5) != 0) return a;
    }
    return {};
}

pugi::xml_attribute prefixedAttr(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::strchr(a.name(), ':') != nullptr && localName(a.name()) == local &&
            std::strncmp(a.name(), "xmlns", 5) != 0) {
            return a;
        }
    }
    return {};
}

std::optional<std::int64_t> parseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    // Clamp absurd values instead of overflowing; callers clamp to their own ranges after.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max() / 10 - 10;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kMax) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::optional<std::int64_t> intAttr(pugi::xml_node node, std::string_view local) {
    pugi::xml_attribute a = attr(node, local);
    if (!a) return std::nullopt;
    return parseInt(a.value());
}

std::int64_t intAttr(pugi::xml_node node, std::string_view local, std::int64_t fallback) {
    return intAttr(node, local).value_or(fallback);
}

std::optional<bool> boolAttr(pugi::xml_node node, std::string_view local) {
    pugi::xml_attribute a = attr(node, local);
    if (!a) return std::nullopt;
    std::string_view v = a.value();
    if (v == "1" || v == "true" || v == "on") return true;
    if (v == "0" || v == "false" || v == "off") return false;
    return std::nullopt;
}

std::string strAttr(pugi::xml_node node, std::string_view local) {
    pugi::xml_attribute a = attr(node, local);
    return a ? std::string(a.value()) : std::string();
}

pugi::xml_node alternateBranch(pugi::xml_node alternateContent) {
    pugi::xml_node fallback = child(alternateContent, "Fallback");
    if (fallback) return fallback;
    return child(alternateContent, "Choice");
}

pugi::xml_node childOrAlternate(pugi::xml_node node, std::string_view local) {
    if (pugi::xml_node direct = child(node, local)) return direct;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || !is(c, "AlternateContent")) continue;
        if (pugi::xml_node inner = child(alternateBranch(c), local)) return inner;
    }
    return {};
}

}  // namespace quillet::pptx
