// Text bodies with their properties resolved through the inheritance chain: presentation default
// text style, the master's title/body/other style, master placeholder, layout placeholder, theme
// font reference of the shape's style, the shape's own list style, the paragraph and the run.
#pragma once

#include <memory>
#include <vector>

#include "host/pptx/fills.h"
#include "host/pptx/model.h"
#include "host/pptx/theme.h"

namespace quillet::pptx {

// The sources of a text body's properties, least specific first.
struct TextSources {
    // List style elements (a:lstStyle, p:titleStyle, a:defaultTextStyle, ...): each holds defPPr
    // and lvl1pPr .. lvl9pPr.
    std::vector<pugi::xml_node> listStyles;
    // How many of listStyles come before the shape's own (the style reference's font and colour
    // sit between the inherited ones and the shape's own).
    std::size_t inheritedCount = 0;
    // a:bodyPr elements, least specific first.
    std::vector<pugi::xml_node> bodyProperties;
    // p:style/a:fontRef of the shape, if any.
    pugi::xml_node fontRef;
};

struct TextContext {
    ColorContext colors;
    const Theme* theme = nullptr;
    const PartRefs* refs = nullptr;
    int slideNumber = 0;  // for slide number fields; 0 keeps the stored text
};

// Reads p:txBody (may be null: an empty body with inherited properties).
std::shared_ptr<TextBody> readTextBody(pugi::xml_node txBody, const TextSources& sources,
                                       const TextContext& context);

// Decodes the first code point of UTF-8 text; 0 when empty or malformed.
char32_t firstCodePoint(const std::string& text);

}  // namespace quillet::pptx
