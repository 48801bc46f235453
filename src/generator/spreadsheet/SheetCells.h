#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace spreadsheet {

// The cells of one sheet as its part of the package stores them: position,
// style (the format's index in the styles part, 0 for none) and value, added
// by row, then column. Their part of the sheet is written and deflated on a
// worker, while libxlsxwriter writes everything else of the package.
class SheetCells {
public:
    // row and column 0-based; text is the place in the shared strings.
    void addText(uint32_t row, uint16_t column, int32_t style, int32_t text);
    void addNumber(uint32_t row, uint16_t column, int32_t style, double number);
    void addBlank(uint32_t row, uint16_t column, int32_t style);
    bool isEmpty() const { return cells_.empty(); }

    // The sheet's extent, as the dimension of its part states it ("B2:F36").
    QByteArray dimension() const;
    // The element sheetData of the part: the rows and their cells.
    QByteArray sheetData() const;

private:
    enum class Kind : uint8_t { Text, Number, Blank };
    struct Stored {
        uint32_t row;
        uint16_t column;
        Kind kind;
        int32_t style;
        union {
            int32_t text;
            double number;
        };
    };
    void add(const Stored &cell);
    class Output;
    void writeDimension(Output &out) const;
    void writeSheetData(Output &out) const;

    std::vector<Stored> cells_;
    uint32_t firstRow_ = 0, lastRow_ = 0;
    uint16_t firstColumn_ = 0, lastColumn_ = 0;
};

} // namespace spreadsheet
