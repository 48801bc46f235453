#include "spreadsheet/CellRange.h"

#include "common/Failure.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/Worksheet.h"

namespace spreadsheet {

CellRange::CellRange(std::shared_ptr<Worksheet> sheet, int top, int left, int bottom, int right)
    : sheet_(std::move(sheet)), top_(top), left_(left), bottom_(bottom), right_(right) {}

void CellRange::setValue(const CellValue &value) const {
    sheet_->checkUsable();
    if (const auto *tooLong = std::get_if<QString>(&value);
        tooLong && tooLong->size() > xl::MaxTextLength)
        throw Failure(
            FailureKind::Internal,
            QStringLiteral("セルに書ける文字数（%1）を超えています。").arg(xl::MaxTextLength));
    if (const auto *date = std::get_if<OleDateTime>(&value); date && !date->isValid())
        throw Failure(FailureKind::Internal, QStringLiteral("日付の値が範囲外です。"));
    // As in the spreadsheet application, an empty text leaves the cell empty.
    const auto *text = std::get_if<QString>(&value);
    const CellValue stored = text && text->isEmpty() ? CellValue{} : value;
    for (int row = top_; row <= bottom_; ++row)
        for (int column = left_; column <= right_; ++column)
            sheet_->cell(row, column).value = stored;
}

CellValue CellRange::Value() const {
    const Cell *cell = sheet_->cellAt(top_, left_);
    return cell ? cell->value : CellValue{};
}

void CellRange::setWrapText(bool wrap) const {
    sheet_->checkUsable();
    for (int row = top_; row <= bottom_; ++row)
        for (int column = left_; column <= right_; ++column)
            sheet_->cell(row, column).format.wrapText = wrap;
}

void CellRange::Merge() const {
    sheet_->checkUsable();
    if (top_ == bottom_ && left_ == right_)
        return;
    sheet_->addMergedArea({top_, left_, bottom_, right_});
}

void CellRange::setSheetLink(const QString &sheetName) const {
    sheet_->checkUsable();
    for (int row = top_; row <= bottom_; ++row)
        for (int column = left_; column <= right_; ++column) {
            sheet_->cell(row, column); // a link is written with its cell
            sheet_->setSheetLink(row, column, sheetName);
        }
}

RangeFont CellRange::Font() const {
    return RangeFont(*this);
}

RangeInterior CellRange::Interior() const {
    return RangeInterior(*this);
}

RangeBorder CellRange::Borders(int index) const {
    if (index < xl::EdgeLeft || index > xl::InsideHorizontal)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("罫線の位置 %1 は使用できません。").arg(index));
    return RangeBorder(*this, index);
}

void RangeFont::setBold(bool bold) const {
    range_.worksheet().checkUsable();
    for (int row = range_.top(); row <= range_.bottom(); ++row)
        for (int column = range_.left(); column <= range_.right(); ++column)
            range_.worksheet().cell(row, column).format.bold = bold;
}

void RangeInterior::setColorIndex(int colorIndex) const {
    range_.worksheet().checkUsable();
    if (colorIndex != xl::InteriorColorIndexDefault)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("塗りつぶしの色番号 %1 は使用できません。").arg(colorIndex));
    for (int row = range_.top(); row <= range_.bottom(); ++row)
        for (int column = range_.left(); column <= range_.right(); ++column)
            range_.worksheet().cell(row, column).format.interiorColorIndex =
                static_cast<qint16>(colorIndex);
}

void RangeInterior::setPattern(int pattern) const {
    range_.worksheet().checkUsable();
    if (pattern != xl::PatternGray16)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("塗りつぶしのパターン %1 は使用できません。").arg(pattern));
    for (int row = range_.top(); row <= range_.bottom(); ++row)
        for (int column = range_.left(); column <= range_.right(); ++column)
            range_.worksheet().cell(row, column).format.interiorPattern =
                static_cast<qint16>(pattern);
}

// Applies a change to every grid line of this border of the range, and makes
// the cells inside the range that the lines belong to part of the sheet.
template <typename Change> void RangeBorder::change(Change apply) const {
    Worksheet &sheet = range_.worksheet();
    sheet.checkUsable();
    const int top = range_.top(), left = range_.left(), bottom = range_.bottom(),
              right = range_.right();
    auto horizontal = [&](int lineRow, int cellRow, int column) {
        sheet.cell(cellRow, column);
        apply(sheet.horizontalLine(lineRow, column));
    };
    auto vertical = [&](int row, int lineColumn, int cellColumn) {
        sheet.cell(row, cellColumn);
        apply(sheet.verticalLine(row, lineColumn));
    };
    switch (index_) {
    case xl::EdgeTop:
        for (int c = left; c <= right; ++c)
            horizontal(top, top, c);
        break;
    case xl::EdgeBottom:
        for (int c = left; c <= right; ++c)
            horizontal(bottom + 1, bottom, c);
        break;
    case xl::EdgeLeft:
        for (int r = top; r <= bottom; ++r)
            vertical(r, left, left);
        break;
    case xl::EdgeRight:
        for (int r = top; r <= bottom; ++r)
            vertical(r, right + 1, right);
        break;
    case xl::InsideHorizontal: // both cells of an inside line lie in the range
        for (int r = top + 1; r <= bottom; ++r)
            for (int c = left; c <= right; ++c) {
                sheet.cell(r - 1, c);
                horizontal(r, r, c);
            }
        break;
    case xl::InsideVertical:
        for (int r = top; r <= bottom; ++r)
            for (int c = left + 1; c <= right; ++c) {
                sheet.cell(r, c - 1);
                vertical(r, c, c);
            }
        break;
    }
}

void RangeBorder::setLineStyle(int lineStyle) const {
    if (lineStyle != xl::Continuous)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("罫線の種類 %1 は使用できません。").arg(lineStyle));
    change([](BorderLine &line) {
        if (!line.drawn())
            line.weight = xl::Thin;
    });
}

void RangeBorder::setWeight(int weight) const {
    if (weight != xl::Medium && weight != xl::Thin && weight != xl::Hairline)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("罫線の太さ %1 は使用できません。").arg(weight));
    change([weight](BorderLine &line) { line.weight = static_cast<qint16>(weight); });
}

// As in the spreadsheet application, a colour given to a border that has no
// line draws a thin continuous one.
void RangeBorder::setColorIndex(int colorIndex) const {
    if (colorIndex != xl::ColorIndexAutomatic)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("罫線の色番号 %1 は使用できません。").arg(colorIndex));
    change([](BorderLine &line) {
        if (!line.drawn())
            line.weight = xl::Thin;
    });
}

ColumnRange::ColumnRange(std::shared_ptr<Worksheet> sheet, int first, int last)
    : sheet_(std::move(sheet)), first_(first), last_(last) {}

void ColumnRange::setColumnWidth(double width) const {
    sheet_->checkUsable();
    if (!(width >= 0 && width <= xl::MaxColumnWidth))
        throw Failure(FailureKind::Internal,
                      QStringLiteral("列の幅 %1 は使用できません。").arg(width));
    for (int column = first_; column <= last_; ++column)
        sheet_->setColumnWidth(column, width);
}

RowRange::RowRange(std::shared_ptr<Worksheet> sheet, int first, int last)
    : sheet_(std::move(sheet)), first_(first), last_(last) {}

void RowRange::setRowHeight(double height) const {
    sheet_->checkUsable();
    if (!(height >= 0 && height <= xl::MaxRowHeight))
        throw Failure(FailureKind::Internal,
                      QStringLiteral("行の高さ %1 は使用できません。").arg(height));
    for (int row = first_; row <= last_; ++row)
        sheet_->setRowHeight(row, height);
}

} // namespace spreadsheet
