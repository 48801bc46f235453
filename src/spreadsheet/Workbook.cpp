#include "spreadsheet/Workbook.h"

#include "common/Failure.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/SheetName.h"

namespace spreadsheet {

Workbook::Workbook(Application *application) : application_(application), worksheets_(*this) {
    for (int i = 0; i < 3; ++i)
        addSheet(i, QStringLiteral("Sheet%1").arg(++sheetsNamed_));
    active_ = sheets_.front().get();
}

std::shared_ptr<Worksheet> Workbook::ActiveSheet() {
    return active_ ? active_->shared() : nullptr;
}

Worksheet *Workbook::addSheet(int position, const QString &name) {
    auto sheet = std::make_unique<Worksheet>(this, name);
    Worksheet *added = sheet.get();
    sheets_.insert(sheets_.begin() + position, std::move(sheet));
    byName_.insert(SheetNameKey(name), added);
    return added;
}

Worksheet *Workbook::sheetNamed(const QString &name) const {
    return byName_.value(SheetNameKey(name), nullptr);
}

void Workbook::renamed(Worksheet *sheet, const QString &oldName) {
    byName_.remove(SheetNameKey(oldName));
    byName_.insert(SheetNameKey(sheet->Name()), sheet);
}

int Workbook::positionOf(const Worksheet *sheet) const {
    // From the back: sheets are mostly added after the last one.
    for (size_t i = sheets_.size(); i-- > 0;)
        if (sheets_[i].get() == sheet)
            return static_cast<int>(i);
    return -1;
}

void Workbook::remove(Worksheet *sheet) {
    if (sheets_.size() == 1)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("ブックには少なくとも1枚のシートが必要です。"));
    const int position = positionOf(sheet);
    deleted_.push_back(std::move(sheets_[static_cast<size_t>(position)]));
    sheets_.erase(sheets_.begin() + position);
    byName_.remove(SheetNameKey(sheet->Name()));
    sheet->detach();
    // As in the spreadsheet application: the next sheet, else the one before.
    if (active_ == sheet)
        active_ = sheets_[static_cast<size_t>(
                              std::min<int>(position, static_cast<int>(sheets_.size()) - 1))]
                      .get();
}

int SheetCollection::Count() const {
    return static_cast<int>(book_.sheets_.size());
}

std::shared_ptr<Worksheet> SheetCollection::Item(const QString &name) const {
    if (Worksheet *sheet = book_.sheetNamed(name))
        return sheet->shared();
    throw Failure(FailureKind::Internal,
                  QStringLiteral("シート「%1」はブックにありません。").arg(name));
}

std::shared_ptr<Worksheet> SheetCollection::Item(int position) const {
    if (position < 1 || position > Count())
        throw Failure(FailureKind::Internal,
                      QStringLiteral("シートの番号 %1 は範囲外です。").arg(position));
    return book_.sheets_[static_cast<size_t>(position - 1)]->shared();
}

std::shared_ptr<Worksheet> SheetCollection::Add(const std::shared_ptr<Worksheet> &after) {
    if (!after || after->isDeleted() || &after->workbook() != &book_)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("シートを追加する位置のシートがこのブックにありません。"));
    // The next "SheetN" that no sheet carries, counting on from the last
    // number handed out, as the spreadsheet application does.
    QString name;
    do {
        name = QStringLiteral("Sheet%1").arg(++book_.sheetsNamed_);
    } while (book_.sheetNamed(name));
    Worksheet *sheet = book_.addSheet(book_.positionOf(after.get()) + 1, name);
    book_.activate(sheet);
    return sheet->shared();
}

} // namespace spreadsheet
