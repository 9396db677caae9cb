// Small helpers over pugixml for the package's XML. Elements and attributes are matched by local
// name, so files that bind other prefixes to the usual namespaces read the same.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::pptx {

class Package;

// Parses XML text; throws PackageError naming the part and the byte offset on failure. The parse
// keeps no DOCTYPE and expands no entity beyond the five predefined and numeric references.
std::shared_ptr<pugi::xml_document> parseXml(const std::string& text, const std::string& partName);
std::shared_ptr<pugi::xml_document> loadXmlPart(const Package& package, const std::string& name);

std::string_view localName(const char* qualified);

bool is(pugi::xml_node node, std::string_view local);
pugi::xml_node child(pugi::xml_node node, std::string_view local);
// First element at the end of a chain of local names, e.g. path(sp, {"spPr", "xfrm"}).
pugi::xml_node path(pugi::xml_node node, std::initializer_list<std::string_view> names);

// Attribute by local name; a prefixed one (r:id) is found only through prefixedAttr.
pugi::xml_attribute attr(pugi::xml_node node, std::string_view local);
pugi::xml_attribute prefixedAttr(pugi::xml_node node, std::string_view local);

std::optional<std::int64_t> intAttr(pugi::xml_node node, std::string_view local);
std::int64_t intAttr(pugi::xml_node node, std::string_view local, std::int64_t fallback);
std::optional<bool> boolAttr(pugi::xml_node node, std::string_view local);
std::string strAttr(pugi::xml_node node, std::string_view local);

// Parses an integer with range clamp; nullopt for text that is not a number.
std::optional<std::int64_t> parseInt(std::string_view text);

// Picks the branch of an mc:AlternateContent element to read: the Fallback when there is one
// (its content uses only the base vocabulary), else the Choice.
pugi::xml_node alternateBranch(pugi::xml_node alternateContent);

// The named child of node, or, when there is none, the one inside the branch of an
// mc:AlternateContent child that alternateBranch picks (pictures wrap their blipFill so).
pugi::xml_node childOrAlternate(pugi::xml_node node, std::string_view local);

// Visits the element children of node, stepping into mc:AlternateContent branches.
template <typename F>
void forEachElement(pugi::xml_node node, F&& visit) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        if (is(c, "AlternateContent")) {
            pugi::xml_node branch = alternateBranch(c);
            for (pugi::xml_node b = branch.first_child(); b; b = b.next_sibling()) {
                if (b.type() == pugi::node_element) visit(b);
            }
            continue;
        }
        visit(c);
    }
}

}  // namespace quillet::pptx
