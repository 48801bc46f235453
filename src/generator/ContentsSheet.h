#pragma once

#include <QString>
#include <functional>
#include <memory>

class Table;
namespace spreadsheet {
class Worksheet;
}

// The first sheet of the detailed workbook: a title block as the table
// sheets' (B2:C4: the database's file name, when the workbook was written,
// the number of tables), then from row 6 a list framed as the field list,
// one row per table: No., its name linking to its sheet, its description,
// its numbers of fields and records, and its times.
class ContentsSheet {
public:
    ContentsSheet(std::shared_ptr<spreadsheet::Worksheet> sheet, const QString &databaseFile,
                  int tableCount);
    // The next table's row; sheetName is the name of the table's sheet.
    void add(const Table &table, const QString &sheetName);
    // Frames the list as it stands.
    void finish();

    // The name of the contents sheet: "目次", or when isTaken says a table
    // has that name (given its SheetNameKey), the first of "目次 (2)",
    // "目次 (3)", … that none has.
    static QString NameFor(const std::function<bool(const QString &key)> &isTaken);

private:
    std::shared_ptr<spreadsheet::Worksheet> sheet_;
    int row_; // the last row written
};
