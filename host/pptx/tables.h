// Table styles: the parts of a style from the package's table style list (ppt/tableStyles.xml),
// or of a built-in definition, selected for each cell by the table's flags (header row, banded
// rows, ...), giving the cell's fill, borders and text properties.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "host/pptx/fills.h"
#include "host/pptx/model.h"
#include "host/pptx/theme.h"

namespace quillet::pptx {

// The style named by id: the package's own definition (styleList is its a:tblStyleLst, may be
// null), else a built-in one. Built in are "Medium Style 2 - Accent 1"
// ({5C22544A-7EE6-4342-B048-85BDC9FD1C3A}, the usual default), "No Style, Table Grid"
// ({5940675A-...}) and "No Style, No Grid" ({2D5ABB26-...}); any other unknown id gives a null
// node, and the table shows only its cells' own properties.
pugi::xml_node findTableStyle(pugi::xml_node styleList, const std::string& id);

// What a style gives one cell. Unset members leave the cell as it is.
struct CellStyle {
    std::optional<FillData> fill;
    std::optional<LineData> left, right, top, bottom, diagonalDown, diagonalUp;
    std::optional<bool> bold, italic;
    std::optional<Color> color;
    std::string latin;  // a theme font reference ("+mj-lt") or a face, "" to keep
};

// The style of the cell at (row, column) spanning rowSpan × columnSpan of a rows × columns grid:
// the style's parts applied in order (whole table, banded columns, banded rows, last and first
// column, last and first row, the corner cells), each later part winning where it speaks. An
// edge on the border of a part's region takes that part's outer border, an edge inside it the
// part's inside line.
CellStyle tableCellStyle(pugi::xml_node style, const TableData& table, std::size_t row,
                         std::size_t column, std::size_t rowSpan, std::size_t columnSpan,
                         std::size_t rows, std::size_t columns, const ColorContext& colors,
                         const PartRefs* refs);

// A list style (a:lstStyle) that carries a cell style's text properties at every level, for the
// cell's text to inherit below its own properties; null document when the style sets none.
std::shared_ptr<pugi::xml_document> cellTextStyle(const CellStyle& style);

}  // namespace quillet::pptx
