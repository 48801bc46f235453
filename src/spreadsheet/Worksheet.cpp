#include "spreadsheet/Worksheet.h"

#include "common/Failure.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/SheetName.h"
#include "spreadsheet/Workbook.h"

namespace spreadsheet {

namespace {

// "A" is 1, "Z" 26, "AA" 27, … "XFD" 16384; 0 for anything else.
int ColumnNumber(const QString &letters) {
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int number = 0;
    for (const QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return 0;
        number = number * 26 + (u - u'A' + 1);
    }
    return number <= xl::MaxColumns ? number : 0;
}

} // namespace

Worksheet::Worksheet(Workbook *book, QString name) : book_(book), name_(std::move(name)) {}

Workbook &Worksheet::workbook() const {
    checkUsable();
    return *book_;
}

void Worksheet::checkUsable() const {
    if (!book_)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("シート「%1」は削除されています。").arg(name_));
}

std::shared_ptr<Worksheet> Worksheet::shared() {
    checkUsable();
    // Shares ownership with the application, which owns every sheet.
    return std::shared_ptr<Worksheet>(book_->application().shared_from_this(), this);
}

void Worksheet::setName(const QString &name) {
    checkUsable();
    const Worksheet *holder = book_->sheetNamed(name);
    const QString problem = SheetNameProblem(name, holder && holder != this);
    if (!problem.isEmpty())
        throw Failure(FailureKind::RefusedName, problem);
    const QString oldName = name_;
    name_ = name;
    book_->renamed(this, oldName);
}

void Worksheet::Activate() {
    checkUsable();
    book_->activate(this);
}

void Worksheet::Delete() {
    checkUsable();
    book_->remove(this);
}

CellRange Worksheet::Cells(int row, int column) {
    checkUsable();
    if (row < 1 || row > xl::MaxRows || column < 1 || column > xl::MaxColumns)
        throw Failure(
            FailureKind::Internal,
            QStringLiteral("セル（行 %1、列 %2）はシートの範囲外です。").arg(row).arg(column));
    return CellRange(shared(), row, column, row, column);
}

CellRange Worksheet::Range(const CellRange &first, const CellRange &last) {
    checkUsable();
    if (&first.worksheet() != this || &last.worksheet() != this)
        throw Failure(FailureKind::Internal, QStringLiteral("範囲のセルが別のシートにあります。"));
    return CellRange(shared(), std::min(first.top(), last.top()),
                     std::min(first.left(), last.left()), std::max(first.bottom(), last.bottom()),
                     std::max(first.right(), last.right()));
}

ColumnRange Worksheet::Columns(const QString &address) {
    checkUsable();
    const QStringList parts = address.split(u':');
    const int first = ColumnNumber(parts.value(0).trimmed());
    const int last = parts.size() == 2 ? ColumnNumber(parts[1].trimmed()) : first;
    if (parts.size() > 2 || first == 0 || last == 0)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("列の指定「%1」を解釈できません。").arg(address));
    return ColumnRange(shared(), std::min(first, last), std::max(first, last));
}

RowRange Worksheet::Rows(int row) {
    checkUsable();
    if (row < 1 || row > xl::MaxRows)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("行 %1 はシートの範囲外です。").arg(row));
    return RowRange(shared(), row, row);
}

const Cell *Worksheet::cellAt(int row, int column) const {
    const Slot *slot = grid_.find(row, column);
    return slot && slot->holdsCell ? &slot->cell : nullptr;
}

std::vector<std::pair<GridKey, const Cell *>> Worksheet::cellsInOrder() const {
    std::vector<std::pair<GridKey, const Cell *>> ordered;
    grid_.forEachInOrder([&ordered](int row, int column, const Slot &slot) {
        if (slot.holdsCell)
            ordered.push_back({{row, column}, &slot.cell});
    });
    return ordered;
}

const BorderLine *Worksheet::lineAbove(int row, int column) const {
    const Slot *slot = grid_.find(row, column);
    return slot && slot->above.drawn() ? &slot->above : nullptr;
}

const BorderLine *Worksheet::lineLeftOf(int row, int column) const {
    const Slot *slot = grid_.find(row, column);
    return slot && slot->left.drawn() ? &slot->left : nullptr;
}

} // namespace spreadsheet
