#pragma once

namespace spreadsheet {
class CellRange;
}

// The frame the field list is drawn with: medium outer edges, thin lines
// between columns and, for a block of rows, hairlines between them.
void FrameBlock(const spreadsheet::CellRange &block, bool linesBetweenRows);
// A header row as the field list's: framed, bold, on 16 % grey.
void HeaderRow(const spreadsheet::CellRange &header);
// Labels as the title block's: bold, on 16 % grey.
void LabelCells(const spreadsheet::CellRange &labels);
