#include "SheetCells.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace spreadsheet {

namespace {

// libxlsxwriter states, per block of 16 rows, the columns the block's cells
// span in each of its rows.
constexpr uint32_t RowsPerSpan = 16;

// The most a cell and a row add to the sheet data: the longest name, style,
// value and markup, with room to spare.
constexpr size_t MostPerCell = 96;
constexpr size_t MostPerRow = 64;

} // namespace

// Writes into storage reserved ahead: the sheet data of a table is tens of
// thousands of short pieces.
class SheetCells::Output {
public:
    explicit Output(char *at) : at_(at) {}
    char *end() const { return at_; }

    template <size_t N>
    void text(const char (&literal)[N])
    {
        std::memcpy(at_, literal, N - 1);
        at_ += N - 1;
    }
    void bytes(const char *from, size_t count)
    {
        std::memcpy(at_, from, count);
        at_ += count;
    }
    void number(uint32_t n) { at_ = std::to_chars(at_, at_ + 10, n).ptr; }
    // "B2" for row 1, column 1 (both 0-based).
    void cellName(uint32_t row, uint16_t column)
    {
        char letters[4];
        int count = 0;
        for (unsigned c = column + 1u; c > 0; c = (c - 1) / 26)
            letters[count++] = static_cast<char>('A' + (c - 1) % 26);
        while (count > 0)
            *at_++ = letters[--count];
        number(row + 1);
    }
    // As libxlsxwriter writes numbers, in the process's locale.
    void number(double d)
    {
        char digits[40];
        const int length = std::snprintf(digits, sizeof digits, "%.16G", d);
        bytes(digits, static_cast<size_t>(std::clamp(length, 0, int{sizeof digits} - 1)));
    }

private:
    char *at_;
};

void SheetCells::add(const Stored &cell)
{
    if (cells_.empty()) {
        firstRow_ = lastRow_ = cell.row;
        firstColumn_ = lastColumn_ = cell.column;
    } else {
        firstRow_ = std::min(firstRow_, cell.row);
        lastRow_ = std::max(lastRow_, cell.row);
        firstColumn_ = std::min(firstColumn_, cell.column);
        lastColumn_ = std::max(lastColumn_, cell.column);
    }
    cells_.push_back(cell);
}

void SheetCells::addText(uint32_t row, uint16_t column, int32_t style, int32_t text)
{
    Stored cell{row, column, Kind::Text, style, {}};
    cell.text = text;
    add(cell);
}

void SheetCells::addNumber(uint32_t row, uint16_t column, int32_t style, double number)
{
    Stored cell{row, column, Kind::Number, style, {}};
    cell.number = number;
    add(cell);
}

void SheetCells::addBlank(uint32_t row, uint16_t column, int32_t style)
{
    add(Stored{row, column, Kind::Blank, style, {}});
}

void SheetCells::writeDimension(Output &out) const
{
    if (cells_.empty()) {
        out.text("A1");
        return;
    }
    out.cellName(firstRow_, firstColumn_);
    if (firstRow_ != lastRow_ || firstColumn_ != lastColumn_) {
        out.text(":");
        out.cellName(lastRow_, lastColumn_);
    }
}

void SheetCells::writeSheetData(Output &out) const
{
    if (cells_.empty()) {
        out.text("<sheetData/>");
        return;
    }
    out.text("<sheetData>");
    auto cell = cells_.begin();
    while (cell != cells_.end()) {
        // The span of the block this row is in.
        const uint32_t block = cell->row / RowsPerSpan;
        auto blockEnd = cell;
        uint16_t spanFirst = cell->column, spanLast = cell->column;
        for (; blockEnd != cells_.end() && blockEnd->row / RowsPerSpan == block; ++blockEnd) {
            spanFirst = std::min(spanFirst, blockEnd->column);
            spanLast = std::max(spanLast, blockEnd->column);
        }
        while (cell != blockEnd) {
            const uint32_t row = cell->row;
            out.text("<row r=\"");
            out.number(row + 1);
            out.text("\" spans=\"");
            out.number(spanFirst + 1u);
            out.text(":");
            out.number(spanLast + 1u);
            out.text("\">");
            for (; cell != blockEnd && cell->row == row; ++cell) {
                out.text("<c r=\"");
                out.cellName(cell->row, cell->column);
                out.text("\"");
                if (cell->style != 0) {
                    out.text(" s=\"");
                    out.number(static_cast<uint32_t>(cell->style));
                    out.text("\"");
                }
                switch (cell->kind) {
                case Kind::Text:
                    out.text(" t=\"s\"><v>");
                    out.number(static_cast<uint32_t>(cell->text));
                    out.text("</v></c>");
                    break;
                case Kind::Number:
                    out.text("><v>");
                    out.number(cell->number);
                    out.text("</v></c>");
                    break;
                case Kind::Blank:
                    out.text("/>");
                    break;
                }
            }
            out.text("</row>");
        }
    }
    out.text("</sheetData>");
}

QByteArray SheetCells::dimension() const
{
    QByteArray ref(64, Qt::Uninitialized);
    Output out(ref.data());
    writeDimension(out);
    ref.truncate(out.end() - ref.constData());
    return ref;
}

QByteArray SheetCells::sheetData() const
{
    QByteArray data(static_cast<qsizetype>(64 + cells_.size() * (MostPerCell + MostPerRow)), Qt::Uninitialized);
    Output out(data.data());
    writeSheetData(out);
    data.truncate(out.end() - data.constData());
    return data;
}

} // namespace spreadsheet
