#include "SheetCells.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace spreadsheet {

namespace {

// libxlsxwriter states, per block of 16 rows, the columns the block's cells
// span in each of its rows.
constexpr uint32_t RowsPerSpan = 16;

void AppendNumber(QByteArray &out, uint32_t n)
{
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end - digits);
}

// "B2" for row 1, column 1 (both 0-based).
void AppendCellName(QByteArray &out, uint32_t row, uint16_t column)
{
    char letters[4];
    int count = 0;
    for (unsigned c = column + 1u; c > 0; c = (c - 1) / 26)
        letters[count++] = static_cast<char>('A' + (c - 1) % 26);
    while (count > 0)
        out += letters[--count];
    AppendNumber(out, row + 1);
}

} // namespace

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

QByteArray SheetCells::dimension() const
{
    QByteArray ref;
    if (cells_.empty())
        return "A1";
    AppendCellName(ref, firstRow_, firstColumn_);
    if (firstRow_ != lastRow_ || firstColumn_ != lastColumn_) {
        ref += ':';
        AppendCellName(ref, lastRow_, lastColumn_);
    }
    return ref;
}

QByteArray SheetCells::sheetData() const
{
    if (cells_.empty())
        return "<sheetData/>";
    QByteArray out;
    out.reserve(static_cast<qsizetype>(cells_.size()) * 40 + 64);
    out += "<sheetData>";
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
        QByteArray spans;
        AppendNumber(spans, spanFirst + 1u);
        spans += ':';
        AppendNumber(spans, spanLast + 1u);

        while (cell != blockEnd) {
            const uint32_t row = cell->row;
            out += "<row r=\"";
            AppendNumber(out, row + 1);
            out += "\" spans=\"";
            out += spans;
            out += "\">";
            for (; cell != blockEnd && cell->row == row; ++cell) {
                out += "<c r=\"";
                AppendCellName(out, cell->row, cell->column);
                out += '"';
                if (cell->style != 0) {
                    out += " s=\"";
                    AppendNumber(out, static_cast<uint32_t>(cell->style));
                    out += '"';
                }
                switch (cell->kind) {
                case Kind::Text:
                    out += " t=\"s\"><v>";
                    AppendNumber(out, static_cast<uint32_t>(cell->text));
                    out += "</v></c>";
                    break;
                case Kind::Number: {
                    // As libxlsxwriter writes numbers, in the process's locale.
                    char number[32];
                    const int length = std::snprintf(number, sizeof number, "%.16G", cell->number);
                    out += "><v>";
                    out.append(number, length);
                    out += "</v></c>";
                    break;
                }
                case Kind::Blank:
                    out += "/>";
                    break;
                }
            }
            out += "</row>";
        }
    }
    out += "</sheetData>";
    return out;
}

bool SheetCells::putInto(QByteArray &sheetXml) const
{
    static const QByteArray DimensionStart = "<dimension ref=\"";
    const qsizetype refStart = sheetXml.indexOf(DimensionStart);
    const qsizetype refEnd = refStart < 0 ? -1 : sheetXml.indexOf('"', refStart + DimensionStart.size());
    if (refEnd < 0)
        return false;
    sheetXml.replace(refStart + DimensionStart.size(), refEnd - refStart - DimensionStart.size(), dimension());

    const qsizetype dataStart = sheetXml.indexOf("<sheetData");
    if (dataStart < 0)
        return false;
    qsizetype dataEnd = -1;
    if (sheetXml.mid(dataStart, 12) == "<sheetData/>") {
        dataEnd = dataStart + 12;
    } else {
        dataEnd = sheetXml.indexOf("</sheetData>", dataStart);
        if (dataEnd < 0)
            return false;
        dataEnd += 12;
    }
    sheetXml.replace(dataStart, dataEnd - dataStart, sheetData());
    return true;
}

} // namespace spreadsheet
