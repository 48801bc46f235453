#include "generator/Frame.h"

#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"

namespace {

void Line(const spreadsheet::CellRange &block, int index, int weight) {
    const spreadsheet::RangeBorder border = block.Borders(index);
    border.setLineStyle(xl::Continuous);
    border.setWeight(weight);
    border.setColorIndex(xl::ColorIndexAutomatic);
}

} // namespace

void FrameBlock(const spreadsheet::CellRange &block, bool linesBetweenRows) {
    Line(block, xl::EdgeTop, xl::Medium);
    Line(block, xl::EdgeBottom, xl::Medium);
    Line(block, xl::EdgeLeft, xl::Medium);
    Line(block, xl::EdgeRight, xl::Medium);
    if (linesBetweenRows && block.bottom() > block.top())
        Line(block, xl::InsideHorizontal, xl::Hairline);
    if (block.right() > block.left())
        Line(block, xl::InsideVertical, xl::Thin);
}

void HeaderRow(const spreadsheet::CellRange &header) {
    FrameBlock(header, false);
    LabelCells(header);
}

void LabelCells(const spreadsheet::CellRange &labels) {
    labels.Font().setBold(true);
    labels.Interior().setColorIndex(xl::InteriorColorIndexDefault);
    labels.Interior().setPattern(xl::PatternGray16);
}
