#pragma once

#include "spreadsheet/CellValue.h"
#include "spreadsheet/SheetGrid.h"

#include <QString>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace spreadsheet {

class Workbook;
class CellRange;
class ColumnRange;
class RowRange;

// The format the program gives a cell; everything else stays the default.
struct CellFormat {
    bool bold = false;
    bool wrapText = false;
    std::optional<qint16> interiorColorIndex;
    std::optional<qint16> interiorPattern;
};

struct Cell {
    CellValue value;
    CellFormat format;
};

// One line of the grid between two cells (or at the edge of one). Adjacent
// cells share it, so that a later setting of the same edge wins. Every line
// is continuous and in the automatic colour, the only ones a range's
// borders accept, so a line is its weight.
struct BorderLine {
    qint16 weight = 0; // 0: no line; else xl::Hairline, xl::Thin or xl::Medium
    bool drawn() const { return weight != 0; }
};

// How a sheet prints; the spreadsheet's defaults unless set.
struct PageSetup {
    bool landscape = false;
    bool fitToPageWidth = false; // every column on one page's width, as many pages down as needed
    // In the spreadsheet's codes for headers and footers ("&L" left part,
    // "&A" the sheet's name, "&P" the page, "&N" the pages); none when empty.
    QString footer;
};

// (row, column), both 1-based.
using GridKey = std::pair<int, int>;

// A worksheet of a workbook: its name, its cells and the lines between them,
// its column widths and its row heights. References to it keep the whole
// application alive.
class Worksheet {
public:
    Worksheet(Workbook *book, QString name);
    Worksheet(const Worksheet &) = delete;
    Worksheet &operator=(const Worksheet &) = delete;

    const QString &Name() const { return name_; }
    // Applies the spreadsheet's rules; throws Failure naming the reason.
    void setName(const QString &name);
    void Activate();
    // Removes the sheet from its workbook; later use of it fails.
    void Delete();

    // Throws Failure for a row or column outside the sheet.
    CellRange Cells(int row, int column);
    // The rectangle that two cells of this sheet span, in either order.
    CellRange Range(const CellRange &first, const CellRange &last);
    // Whole columns by address, such as "A:A" or "B:D".
    ColumnRange Columns(const QString &address);
    // One whole row by its number; throws Failure for a row outside the sheet.
    RowRange Rows(int row);

    bool isDeleted() const { return book_ == nullptr; }
    Workbook &workbook() const;
    std::shared_ptr<Worksheet> shared();

    // The content, for the writer and for tests: a cell, or none where
    // nothing was set; every cell the sheet holds, by row, then column.
    const Cell *cellAt(int row, int column) const;
    std::vector<std::pair<GridKey, const Cell *>> cellsInOrder() const;
    const std::map<int, double> &columnWidths() const { return columnWidths_; }
    // The rows given a height, in points; every other row keeps the default.
    const std::map<int, double> &rowHeights() const { return rowHeights_; }
    // The cells that link to the top-left cell of another sheet, with that
    // sheet's name.
    const std::map<GridKey, QString> &sheetLinks() const { return sheetLinks_; }
    // The rectangles merged into one cell each, as (top, left, bottom, right).
    const std::vector<std::array<int, 4>> &mergedAreas() const { return mergedAreas_; }
    void setPageSetup(const PageSetup &setup) { pageSetup_ = setup; }
    const PageSetup &pageSetup() const { return pageSetup_; }
    // The line above the cell (row, column) and the one left of it.
    const BorderLine *lineAbove(int row, int column) const;
    const BorderLine *lineLeftOf(int row, int column) const;

private:
    friend class CellRange;
    friend class ColumnRange;
    friend class RowRange;
    friend class RangeFont;
    friend class RangeInterior;
    friend class RangeBorder;
    friend class Workbook;

    // A place in the grid: the cell there, if one was written, and the
    // lines above it and left of it.
    struct Slot {
        // The flags and lines below take the cell's padding: a sheet of many
        // fields holds thousands of slots.
        [[no_unique_address]] Cell cell;
        bool holdsCell = false;
        BorderLine above;
        BorderLine left;
    };

    void checkUsable() const;
    Cell &cell(int row, int column) {
        Slot &slot = grid_.at(row, column);
        slot.holdsCell = true;
        return slot.cell;
    }
    BorderLine &horizontalLine(int row, int column) { return grid_.at(row, column).above; }
    BorderLine &verticalLine(int row, int column) { return grid_.at(row, column).left; }
    void setColumnWidth(int column, double width) { columnWidths_[column] = width; }
    void setRowHeight(int row, double height) { rowHeights_[row] = height; }
    void addMergedArea(const std::array<int, 4> &area) { mergedAreas_.push_back(area); }
    void setSheetLink(int row, int column, const QString &sheet) {
        sheetLinks_[{row, column}] = sheet;
    }
    void detach() { book_ = nullptr; }

    Workbook *book_;
    QString name_;
    SheetGrid<Slot> grid_;
    std::map<int, double> columnWidths_;
    std::map<int, double> rowHeights_;
    std::map<GridKey, QString> sheetLinks_;
    std::vector<std::array<int, 4>> mergedAreas_;
    PageSetup pageSetup_;
};

} // namespace spreadsheet
