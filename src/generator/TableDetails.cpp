#include "generator/TableDetails.h"

#include "database/Table.h"
#include "generator/AccessTypeName.h"
#include "generator/Frame.h"
#include "generator/WrappedLines.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/Worksheet.h"

#include <algorithm>

using spreadsheet::CellRange;
using spreadsheet::Worksheet;

namespace {

constexpr int FirstPropertyColumn = 8; // H: column G stays the margin
constexpr double LinePoints = 15;      // as the field list's rows

const QString Yes = QStringLiteral("はい");
const QString No = QStringLiteral("いいえ");
QString YesNo(bool truth) {
    return truth ? Yes : No;
}

// A header and the width its column takes: wide enough for the header in
// bold and for a typical value (a full-width character takes two units).
struct PropertyColumn {
    QString header;
    const char16_t *property; // the property's name in the field's list; none for derived ones
    double width;
    bool wraps;
};
const PropertyColumn PropertyColumns[] = {
    {QStringLiteral("Access のデータ型"), nullptr, 30, false},
    {QStringLiteral("値要求"), u"Required", 8, false},
    {QStringLiteral("空文字列の許可"), u"AllowZeroLength", 16, false},
    {QStringLiteral("既定値"), u"DefaultValue", 16, true},
    {QStringLiteral("入力規則"), u"ValidationRule", 24, true},
    {QStringLiteral("エラーメッセージ"), u"ValidationText", 24, true},
    {QStringLiteral("標題"), u"Caption", 16, true},
    {QStringLiteral("書式"), u"Format", 14, true},
    {QStringLiteral("定型入力"), u"InputMask", 14, true},
    {QStringLiteral("小数点以下表示桁数"), u"DecimalPlaces", 20, false},
    {QStringLiteral("インデックス"), nullptr, 16, false},
};
constexpr int TypeColumn = 0, IndexedColumn = 10;

int Pixels(double width) {
    return int(width * 7 + 0.5);
}

// A property as its cell shows it: a text as it is, a yes/no as はい or
// いいえ, a number as a number, and DecimalPlaces 255 as Access shows it.
CellValue PropertyCell(const Property &property) {
    const PropertyValue &value = property.Value();
    switch (value.kind()) {
    case PropertyValue::Kind::Text:
        return value.Text();
    case PropertyValue::Kind::Boolean:
        return YesNo(value.Boolean());
    case PropertyValue::Kind::Number:
        if (property.Name().compare(u"DecimalPlaces", Qt::CaseInsensitive) == 0 &&
            value.Number() == 255)
            return QStringLiteral("自動");
        return value.Number();
    }
    return {};
}

// The field's Indexed as Access derives it from the indexes of that field
// alone (the hidden ones behind relationships are not the user's).
QString Indexed(const Table &table, const QString &field) {
    bool indexed = false;
    for (const Index &index : table.Indexes()) {
        if (index.ForeignKey() || index.Columns().Count() != 1 ||
            index.Columns().Item(0).Name().compare(field, Qt::CaseInsensitive) != 0)
            continue;
        if (index.Unique() || index.Primary())
            return QStringLiteral("はい (重複なし)");
        indexed = true;
    }
    return indexed ? QStringLiteral("はい (重複あり)") : No;
}

// A row grows to the lines its longest wrapped text takes, never shrinks.
void GrowRow(Worksheet &sheet, int row, int lines) {
    if (lines <= 1)
        return;
    const double height = std::min(lines * LinePoints, xl::MaxRowHeight);
    const auto &heights = sheet.rowHeights();
    const auto set = heights.find(row);
    if (set == heights.end() || set->second < height)
        sheet.Rows(row).setRowHeight(height);
}

// Writes a wrapped text into a cell of the given width, and grows its row.
void WrappedText(Worksheet &sheet, int row, int column, const QString &text, double width) {
    const CellRange cell = sheet.Cells(row, column);
    cell.setValue(text);
    cell.setWrapText(true);
    GrowRow(sheet, row, WrappedLineCount(text, Pixels(width)));
}

// Columns B to F of the table sheet, as the default block sets them.
constexpr double BlockWidths[] = {14.75, 15, 5.48, 6.5, 36.75};

// A column of a block below the field list: columns first to last (2 is B)
// of the sheet, merged when more than one.
struct BlockColumn {
    QString header;
    int first, last;
    // The pixels a wrapped text has in it: the columns' widths, and the
    // padding between merged columns.
    int pixels() const {
        double width = 0;
        for (int c = first; c <= last; ++c)
            width += BlockWidths[c - 2];
        return Pixels(width) + (last - first) * 5;
    }
};

// A block below the field list: a bold heading, a header row and one row
// for each entry, framed as the field list. Gives the last row used.
template <typename Entries, typename WriteRow>
int WriteBlock(Worksheet &sheet, int firstRow, const QString &heading,
               const std::vector<BlockColumn> &columns, const Entries &entries, WriteRow writeRow) {
    const CellRange title = sheet.Cells(firstRow, 2);
    title.setValue(heading);
    title.Font().setBold(true);
    const auto writeCells = [&](int row, const QStringList &texts) {
        for (size_t i = 0; i < columns.size(); ++i) {
            const BlockColumn &column = columns[i];
            sheet.Range(sheet.Cells(row, column.first), sheet.Cells(row, column.last)).Merge();
            const CellRange cell = sheet.Cells(row, column.first);
            if (texts.value(qsizetype(i)).isEmpty())
                continue;
            cell.setValue(texts[qsizetype(i)]);
            cell.setWrapText(true);
            GrowRow(sheet, row, WrappedLineCount(texts[qsizetype(i)], column.pixels()));
        }
    };
    const int header = firstRow + 1;
    QStringList headers;
    for (const BlockColumn &column : columns)
        headers << column.header;
    writeCells(header, headers);
    HeaderRow(sheet.Range(sheet.Cells(header, 2), sheet.Cells(header, 6)));
    int row = header;
    for (const auto &entry : entries)
        writeCells(++row, writeRow(entry));
    if (row > header)
        FrameBlock(sheet.Range(sheet.Cells(header + 1, 2), sheet.Cells(row, 6)), true);
    return row;
}

QString JoinName(Relationship::Join join) {
    switch (join) {
    case Relationship::Join::Left:
        return QStringLiteral("左外部結合");
    case Relationship::Join::Right:
        return QStringLiteral("右外部結合");
    case Relationship::Join::Inner:
        break;
    }
    return QStringLiteral("内部結合");
}

} // namespace

namespace TableDetails {

void WriteTableFacts(Worksheet &sheet, const Table &table) {
    const std::pair<QString, QString> facts[] = {
        {QStringLiteral("テーブルの説明"), table.Description()},
        {QStringLiteral("入力規則"), table.ValidationRule()},
        {QStringLiteral("エラーメッセージ"), table.ValidationText()}};
    int row = 2;
    for (const auto &[label, value] : facts) {
        sheet.Cells(row, 10).setValue(label);
        if (!value.isEmpty())
            sheet.Cells(row, 11).setValue(value);
        ++row;
    }
    LabelCells(sheet.Range(sheet.Cells(2, 10), sheet.Cells(4, 10)));
    FrameBlock(sheet.Range(sheet.Cells(2, 10), sheet.Cells(4, 11)), true);
}

void WriteFieldProperties(Worksheet &sheet, const Table &table, int headerRow) {
    const int columnCount = int(std::size(PropertyColumns));
    for (int i = 0; i < columnCount; ++i) {
        const int column = FirstPropertyColumn + i;
        sheet.Cells(headerRow, column).setValue(PropertyColumns[i].header);
    }
    for (int i = 0; i < columnCount; ++i) {
        const int column = FirstPropertyColumn + i;
        const QString letters = QString(QChar(u'A' + column - 1));
        sheet.Columns(letters + u':' + letters).setColumnWidth(PropertyColumns[i].width);
    }
    const int lastColumn = FirstPropertyColumn + columnCount - 1;
    HeaderRow(sheet.Range(sheet.Cells(headerRow, FirstPropertyColumn),
                          sheet.Cells(headerRow, lastColumn)));

    int row = headerRow;
    for (const Column &column : table.Columns()) {
        ++row;
        sheet.Cells(row, FirstPropertyColumn + TypeColumn).setValue(AccessTypeName(column));
        sheet.Cells(row, FirstPropertyColumn + IndexedColumn)
            .setValue(Indexed(table, column.Name()));
        for (int i = 0; i < columnCount; ++i) {
            const PropertyColumn &shown = PropertyColumns[i];
            if (!shown.property)
                continue;
            const Property *property = column.Properties().Find(QString::fromUtf16(shown.property));
            if (!property)
                continue; // a property the field does not have stays empty
            const CellValue value = PropertyCell(*property);
            const auto *text = std::get_if<QString>(&value);
            if (shown.wraps && text)
                WrappedText(sheet, row, FirstPropertyColumn + i, *text, shown.width);
            else
                sheet.Cells(row, FirstPropertyColumn + i).setValue(value);
        }
    }
    if (row > headerRow)
        FrameBlock(sheet.Range(sheet.Cells(headerRow + 1, FirstPropertyColumn),
                               sheet.Cells(row, lastColumn)),
                   true);
}

int WriteIndexes(Worksheet &sheet, const Table &table, int firstRow) {
    std::vector<const Index *> shown;
    for (const Index &index : table.Indexes())
        if (!index.ForeignKey())
            shown.push_back(&index);
    return WriteBlock(
        sheet, firstRow, QStringLiteral("インデックス"),
        {{QStringLiteral("インデックス名"), 2, 2},
         {QStringLiteral("フィールド"), 3, 5},
         {QStringLiteral("主キー / 固有 / Null を無視"), 6, 6}},
        shown, [](const Index *index) {
            QStringList fields;
            for (const IndexColumn &column : index->Columns())
                fields << column.Name() + (column.Descending() ? QStringLiteral(" 降順")
                                                               : QStringLiteral(" 昇順"));
            return QStringList{index->Name(), fields.join(u'\n'),
                               QStringList{YesNo(index->Primary()), YesNo(index->Unique()),
                                           YesNo(index->IgnoreNulls())}
                                   .join(QStringLiteral(" / "))};
        });
}

int WriteRelationships(Worksheet &sheet, const Table &table, int firstRow) {
    std::vector<const Relationship *> shown;
    for (const Relationship &relationship : table.Relationships())
        shown.push_back(&relationship);
    return WriteBlock(
        sheet, firstRow, QStringLiteral("リレーションシップ"),
        {{QStringLiteral("リレーションシップ名"), 2, 2},
         {QStringLiteral("主テーブル → リレーション テーブル"), 3, 5},
         {QStringLiteral("種類 / 規則"), 6, 6}},
        shown, [](const Relationship *r) {
            const QString tables =
                QStringLiteral("%1 (%2)\n→ %3 (%4)")
                    .arg(r->PrimaryTable(), r->PrimaryColumns().join(QStringLiteral(", ")),
                         r->RelatedTable(), r->RelatedColumns().join(QStringLiteral(", ")));
            const QString rules =
                QStringList{r->OneToOne() ? QStringLiteral("一対一") : QStringLiteral("一対多"),
                            QStringLiteral("参照整合性: ") + YesNo(r->Enforced()),
                            QStringLiteral("フィールドの連鎖更新: ") + YesNo(r->CascadeUpdates()),
                            QStringLiteral("レコードの連鎖削除: ") + YesNo(r->CascadeDeletes()),
                            QStringLiteral("結合の種類: ") + JoinName(r->JoinType())}
                    .join(u'\n');
            return QStringList{r->Name(), tables, rules};
        });
}

} // namespace TableDetails
