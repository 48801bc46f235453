#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace spreadsheet {

// The cells of one sheet as its part of the package stores them: position,
// style (the format's index in the styles part, 0 for none) and value, added
// by row, then column. The part is written from them on a worker, while
// libxlsxwriter writes everything else of the package.
class SheetCells {
public:
    // row and column 0-based; text is the place in the shared strings.
    void addText(uint32_t row, uint16_t column, int32_t style, int32_t text);
    void addNumber(uint32_t row, uint16_t column, int32_t style, double number);
    void addBlank(uint32_t row, uint16_t column, int32_t style);
    bool isEmpty() const { return cells_.empty(); }

    // Puts the cells into a sheet part written without them: the sheet's
    // extent into its dimension, the rows into its sheet data. False when
    // the part has neither.
    bool putInto(QByteArray &sheetXml) const;

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
