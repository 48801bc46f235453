#pragma once

#include "spreadsheet/CellValue.h"

#include <memory>

namespace spreadsheet {

class Worksheet;
class RangeFont;
class RangeInterior;
class RangeBorder;

// A rectangle of cells on one sheet. Holding one keeps the application
// alive, like every reference into the workbook.
class CellRange {
public:
    CellRange(std::shared_ptr<Worksheet> sheet, int top, int left, int bottom, int right);

    int top() const { return top_; }
    int left() const { return left_; }
    int bottom() const { return bottom_; }
    int right() const { return right_; }
    Worksheet &worksheet() const { return *sheet_; }
    const std::shared_ptr<Worksheet> &sharedWorksheet() const { return sheet_; }

    // Sets every cell of the range; an empty text empties it, and a text
    // longer than a cell holds fails.
    void setValue(const CellValue &value) const;
    // The value of the top-left cell.
    CellValue Value() const;

    // Every cell of the range becomes a link to the top-left cell of the
    // sheet of that name (the name is not checked: a link to no sheet does
    // nothing when followed). The cells keep their values.
    void setSheetLink(const QString &sheetName) const;
    // Makes the range one cell that shows the top-left cell's value across
    // it (a wrapped text wraps within the whole width); each cell keeps its
    // own borders. Ranges merged must not overlap; a single cell is left
    // as it is.
    void Merge() const;
    // Long texts break into lines within the column's width.
    void setWrapText(bool wrap) const;

    RangeFont Font() const;
    RangeInterior Interior() const;
    // 7 left, 8 top, 9 bottom, 10 right, 11 inside vertical, 12 inside
    // horizontal; any other index fails.
    RangeBorder Borders(int index) const;

private:
    std::shared_ptr<Worksheet> sheet_;
    int top_, left_, bottom_, right_;
};

class RangeFont {
public:
    explicit RangeFont(CellRange range) : range_(std::move(range)) {}
    void setBold(bool bold) const;

private:
    CellRange range_;
};

class RangeInterior {
public:
    explicit RangeInterior(CellRange range) : range_(std::move(range)) {}
    // Only colour index 0 and pattern 17 (16 % grey) are known; others fail.
    void setColorIndex(int colorIndex) const;
    void setPattern(int pattern) const;

private:
    CellRange range_;
};

// One border of a range as a whole: an outer edge, or every inside line.
class RangeBorder {
public:
    RangeBorder(CellRange range, int index) : range_(std::move(range)), index_(index) {}
    // Continuous (1) only; weights medium (-4138), thin (2), hairline (1);
    // colour automatic (-4105). Anything else fails.
    void setLineStyle(int lineStyle) const;
    void setWeight(int weight) const;
    void setColorIndex(int colorIndex) const;

private:
    template <typename Change> void change(Change apply) const;

    CellRange range_;
    int index_;
};

// Whole columns of a sheet.
class ColumnRange {
public:
    ColumnRange(std::shared_ptr<Worksheet> sheet, int first, int last);
    // In the spreadsheet's character units, 0 to 255.
    void setColumnWidth(double width) const;

private:
    std::shared_ptr<Worksheet> sheet_;
    int first_, last_;
};

// Whole rows of a sheet.
class RowRange {
public:
    RowRange(std::shared_ptr<Worksheet> sheet, int first, int last);
    // In points, 0 to 409; rows never given one keep the sheet's default.
    void setRowHeight(double height) const;

private:
    std::shared_ptr<Worksheet> sheet_;
    int first_, last_;
};

} // namespace spreadsheet
