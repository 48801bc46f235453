#pragma once

#include "spreadsheet/Worksheet.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace spreadsheet {

class Application;
class Workbook;

// The worksheets of a workbook, in tab order.
class SheetCollection {
public:
    explicit SheetCollection(Workbook &book) : book_(book) {}

    int Count() const;
    // The sheet of exactly that name compared without case; throws Failure
    // when there is none.
    std::shared_ptr<Worksheet> Item(const QString &name) const;
    // 1-based position; throws Failure outside the collection.
    std::shared_ptr<Worksheet> Item(int position) const;
    // A new sheet directly after the given one, named with the next free
    // "SheetN", and made the active sheet.
    std::shared_ptr<Worksheet> Add(const std::shared_ptr<Worksheet> &after);

private:
    Workbook &book_;
};

// A workbook of the application: its sheets in order and which is active.
class Workbook {
public:
    explicit Workbook(Application *application);
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    SheetCollection &Worksheets() { return worksheets_; }
    std::shared_ptr<Worksheet> ActiveSheet();

    Application &application() const { return *application_; }

    // The content, for the writer and for tests.
    const std::vector<std::unique_ptr<Worksheet>> &sheets() const { return sheets_; }
    const Worksheet *activeSheet() const { return active_; }

private:
    friend class SheetCollection;
    friend class Worksheet;

    Worksheet *addSheet(int position, const QString &name);
    // The sheet of that name compared without regard to case, or none.
    Worksheet *sheetNamed(const QString &name) const;
    void renamed(Worksheet *sheet, const QString &oldName);
    int positionOf(const Worksheet *sheet) const;
    void activate(Worksheet *sheet) { active_ = sheet; }
    void remove(Worksheet *sheet);

    Application *application_;
    SheetCollection worksheets_;
    std::vector<std::unique_ptr<Worksheet>> sheets_;
    std::vector<std::unique_ptr<Worksheet>> deleted_; // kept for references still held
    QHash<QString, Worksheet *> byName_;              // by SheetNameKey
    Worksheet *active_ = nullptr;
    int sheetsNamed_ = 0; // the highest N of the "SheetN" names handed out
};

} // namespace spreadsheet
