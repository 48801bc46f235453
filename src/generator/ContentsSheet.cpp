#include "generator/ContentsSheet.h"

#include "database/Table.h"
#include "generator/Frame.h"
#include "generator/WrappedLines.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/SheetName.h"
#include "spreadsheet/Worksheet.h"

#include <QDateTime>
#include <algorithm>

using spreadsheet::CellRange;

namespace {

constexpr int HeaderRowNumber = 6;
constexpr int FirstColumn = 2, LastColumn = 8;
constexpr double DescriptionWidth = 40;
const std::pair<const char *, double> ColumnWidths[] = {
    {"A:A", 1.83}, {"B:B", 14.75}, {"C:C", 32}, {"D:D", DescriptionWidth},
    {"E:E", 12},   {"F:F", 12},    {"G:G", 18}, {"H:H", 18}};

} // namespace

QString ContentsSheet::NameFor(const std::function<bool(const QString &key)> &isTaken) {
    QString name = QStringLiteral("目次");
    for (int n = 2; isTaken(SheetNameKey(name)); ++n)
        name = QStringLiteral("目次 (%1)").arg(n);
    return name;
}

ContentsSheet::ContentsSheet(std::shared_ptr<spreadsheet::Worksheet> sheet,
                             const QString &databaseFile, int tableCount)
    : sheet_(std::move(sheet)), row_(HeaderRowNumber) {
    spreadsheet::Worksheet &s = *sheet_;
    for (const auto &[address, width] : ColumnWidths)
        s.Columns(QString::fromLatin1(address)).setColumnWidth(width);

    const QDateTime now = QDateTime::currentDateTime();
    s.Cells(2, 2).setValue(QStringLiteral("データベース"));
    s.Cells(2, 3).setValue(databaseFile);
    s.Cells(3, 2).setValue(QStringLiteral("出力日時"));
    s.Cells(3, 3).setValue(OleDateTime::fromDateTime(now.date(), now.time()));
    s.Cells(4, 2).setValue(QStringLiteral("テーブル数"));
    s.Cells(4, 3).setValue(double(tableCount));
    LabelCells(s.Range(s.Cells(2, 2), s.Cells(4, 2)));
    FrameBlock(s.Range(s.Cells(2, 2), s.Cells(4, 3)), true);

    const QString headers[] = {QStringLiteral("No."),        QStringLiteral("テーブル名"),
                               QStringLiteral("説明"),       QStringLiteral("フィールド数"),
                               QStringLiteral("レコード数"), QStringLiteral("更新日時"),
                               QStringLiteral("作成日時")};
    for (int i = 0; i < int(std::size(headers)); ++i)
        s.Cells(HeaderRowNumber, FirstColumn + i).setValue(headers[i]);
    HeaderRow(s.Range(s.Cells(HeaderRowNumber, FirstColumn), s.Cells(HeaderRowNumber, LastColumn)));
}

void ContentsSheet::add(const Table &table, const QString &sheetName) {
    spreadsheet::Worksheet &s = *sheet_;
    const int row = ++row_;
    s.Cells(row, 2).setValue(double(row - HeaderRowNumber));
    const CellRange name = s.Cells(row, 3);
    name.setValue(table.Name());
    name.setSheetLink(sheetName);
    if (const QString description = table.Description(); !description.isEmpty()) {
        const CellRange cell = s.Cells(row, 4);
        cell.setValue(description);
        cell.setWrapText(true);
        const int lines = WrappedLineCount(description, int(DescriptionWidth * 7 + 0.5));
        if (lines > 1)
            s.Rows(row).setRowHeight(std::min(lines * 15.0, xl::MaxRowHeight));
    }
    s.Cells(row, 5).setValue(double(table.Columns().Count()));
    s.Cells(row, 6).setValue(double(table.RecordCount()));
    s.Cells(row, 7).setValue(table.DateModified());
    s.Cells(row, 8).setValue(table.DateCreated());
}

void ContentsSheet::finish() {
    if (row_ > HeaderRowNumber)
        FrameBlock(sheet_->Range(sheet_->Cells(HeaderRowNumber + 1, FirstColumn),
                                 sheet_->Cells(row_, LastColumn)),
                   true);
}
