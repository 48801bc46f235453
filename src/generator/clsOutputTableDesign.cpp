#include "generator/clsOutputTableDesign.h"

#include "common/Failure.h"
#include "database/Catalog.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/ContentsSheet.h"
#include "generator/Int16.h"
#include "generator/TableDetails.h"
#include "generator/WrappedLines.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/SheetName.h"
#include "typenames/TypeName.h"
#include "typenames/mdlXmlConv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>

using spreadsheet::CellRange;
using spreadsheet::Worksheet;

namespace {

// The labels of the title block and the header of the field list.
const QString TableNameLabel = QStringLiteral("テーブル名称");
const QString ModifiedLabel = QStringLiteral("更新日時");
const QString CreatedLabel = QStringLiteral("作成日時");
const QString HeaderTexts[] = {QStringLiteral("フィールド名"), QStringLiteral("データ型"),
                               QStringLiteral("サイズ"), QStringLiteral("キー"),
                               QStringLiteral("説明")};

// Columns A to G: margin, labels and names, values and types, sizes, keys,
// descriptions, margin.
constexpr double DescriptionWidth = 36.75;
const std::pair<const char *, double> ColumnWidths[] = {{"A:A", 1.83}, {"B:B", 14.75},
                                                        {"C:C", 15},   {"D:D", 5.48},
                                                        {"E:E", 6.5},  {"F:F", DescriptionWidth},
                                                        {"G:G", 1.83}};

// A column's width counts digits of the default font, 7 pixels each: column
// F leaves 257 pixels for text (the column is 5 pixels wider, the cell's
// padding).
constexpr int DescriptionPixels = int(DescriptionWidth * 7 + 0.5);
// A line takes 15 points, the default height of a row of one line
// (LibreOffice draws lines of this font 11 to 13 points apart).
constexpr double LinePoints = 15;

const QString TypeNameFile = QStringLiteral("DataTypeEnum.xml");

// A key's mark: its name with every "Key" taken out, in one pass from the
// left ("KeyOrderKey" gives "Order", "KKeyey" gives "Key").
QString KeyMark(QString keyName) {
    return keyName.replace(QStringLiteral("Key"), QString(), Qt::CaseSensitive);
}

CellValue ToCellValue(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return value.toDouble();
}

// How every sheet of the detailed workbook prints: landscape, one page
// wide, the sheet's name left in the footer and "page / pages" right.
void SetDetailedPageSetup(Worksheet &sheet) {
    spreadsheet::PageSetup setup;
    setup.landscape = true;
    setup.fitToPageWidth = true;
    setup.footer = QStringLiteral("&L&A&R&P / &N");
    sheet.setPageSetup(setup);
}

// The sheet names of the detailed workbook, one per table in order: a
// table's own name where the spreadsheet takes it and no table before has
// it, else the nearest name the spreadsheet takes that neither the names
// kept as they are nor an earlier sheet has.
std::vector<QString> DetailedSheetNames(const std::vector<QString> &tables,
                                        const QString &contents) {
    QSet<QString> kept; // by SheetNameKey
    for (const QString &table : tables)
        if (SheetNameProblem(table, false).isEmpty())
            kept.insert(SheetNameKey(table));
    QSet<QString> used{SheetNameKey(contents)};
    std::vector<QString> names;
    for (const QString &table : tables) {
        QString name = table;
        if (!SheetNameProblem(table, false).isEmpty() || used.contains(SheetNameKey(table)))
            name = NearestSheetName(table, [&](const QString &key) {
                return used.contains(key) || (kept.contains(key) && key != SheetNameKey(table));
            });
        used.insert(SheetNameKey(name));
        names.push_back(name);
    }
    return names;
}

// A table name the spreadsheet refuses as a sheet name stops the workbook
// with one sheet per table; the detailed workbook gives such a table a
// sheet of the nearest name it takes, and the user is told so.
void NameSheetOrSayWhere(Worksheet &sheet, const QString &tableName) {
    try {
        sheet.setName(tableName);
    } catch (const Failure &refused) {
        if (refused.kind() != FailureKind::RefusedName)
            throw;
        throw Failure(FailureKind::RefusedName,
                      refused.message() +
                          QStringLiteral("（詳細な定義書を出力すると、このテーブルも"
                                         "名前を置き換えたシートに出力できます。）"),
                      refused.reason());
    }
}

} // namespace

clsOutputTableDesign::clsOutputTableDesign(Services services)
    : services_(std::move(services)), tableNames_(std::make_unique<std::vector<QString>>()),
      applicationPath_(QCoreApplication::applicationDirPath()) {}

clsOutputTableDesign::~clsOutputTableDesign() = default;

QString clsOutputTableDesign::TableCount() const {
    return QString::number(tableNames_->size());
}

QString clsOutputTableDesign::Error() const {
    return QString::number(errorNumber_);
}

void clsOutputTableDesign::AddTable(const QString &tableName) {
    tableNames_->push_back(tableName);
}

void clsOutputTableDesign::ClearTables() {
    tableNames_ = std::make_unique<std::vector<QString>>();
}

void clsOutputTableDesign::Make() {
    // Declared in the reverse of the order they are released in: the
    // previous sheet, the catalog, the connection, the workbook, and last
    // the application, which hands the workbook to the user.
    std::shared_ptr<spreadsheet::Application> application;
    std::shared_ptr<spreadsheet::Workbook> workbook;
    std::shared_ptr<Connection> connection;
    Catalog catalog;
    std::shared_ptr<Worksheet> previous;
    std::shared_ptr<Worksheet> current;

    std::optional<Failure> whyNotOpen;
    connection = OpenConnection(connectionString_, &whyNotOpen);
    application = spreadsheet::Application::Create(services_.presenter);
    workbook = application->Workbooks().Add();
    application->setVisible(true);
    application->Windows().Arrange(xl::ArrangeStyleTiled);
    application->setDisplayAlerts(false);

    workbook->Worksheets().Item(QStringLiteral("Sheet3"))->Delete();
    workbook->Worksheets().Item(QStringLiteral("Sheet2"))->Delete();
    current = workbook->Worksheets().Item(QStringLiteral("Sheet1"));

    try {
        catalog.setActiveConnection(connection);
    } catch (const Failure &e) {
        // The catalog's words, with why the database did not open.
        if (!whyNotOpen)
            throw;
        throw Failure(e.message(), *whyNotOpen);
    }
    catalog.willRead(
        QStringList(tableNames_->begin(), tableNames_->end())); // lets the reader read ahead

    if (writeDetails_) {
        MakeDetailed(*workbook, catalog, std::move(current));
        return;
    }
    for (const QString &tableName : *tableNames_) {
        if (!current) {
            current = workbook->Worksheets().Add(previous);
            current->Activate();
        }
        NameSheetOrSayWhere(*current, tableName);
        const Table &table = catalog.Tables().Item(tableName);
        OutputFieldList(*current, table, 2, 2);
        previous = std::move(current);
    }
}

void clsOutputTableDesign::MakeDetailed(spreadsheet::Workbook &workbook, Catalog &catalog,
                                        std::shared_ptr<Worksheet> first) {
    QSet<QString> tableKeys;
    for (const QString &tableName : *tableNames_)
        tableKeys.insert(SheetNameKey(tableName));
    const QString contentsName =
        ContentsSheet::NameFor([&](const QString &key) { return tableKeys.contains(key); });
    first->setName(contentsName);
    SetDetailedPageSetup(*first);
    const QString databaseFile =
        QFileInfo(mdlADO::DataSourceOf(connectionString_).value_or(QString())).fileName();
    ContentsSheet contents(first, databaseFile, int(tableNames_->size()));

    const std::vector<QString> sheetNames = DetailedSheetNames(*tableNames_, contentsName);
    std::shared_ptr<Worksheet> previous = first;
    try {
        for (size_t i = 0; i < tableNames_->size(); ++i) {
            std::shared_ptr<Worksheet> current = workbook.Worksheets().Add(previous);
            current->Activate();
            current->setName(sheetNames[i]);
            const Table &table = catalog.Tables().Item((*tableNames_)[i]);
            OutputFieldList(*current, table, 2, 2);
            OutputDetails(*current, table, contentsName);
            SetDetailedPageSetup(*current);
            contents.add(table, sheetNames[i]);
            previous = std::move(current);
        }
    } catch (...) {
        contents.finish(); // the workbook so far is handed over as it is
        throw;
    }
    contents.finish();
    first->Activate(); // the workbook opens on its contents
}

void clsOutputTableDesign::OutputDetails(Worksheet &sheet, const Table &table,
                                         const QString &contentsName) {
    const CellRange back = sheet.Cells(2, 8);
    back.setValue(QStringLiteral("目次へ"));
    back.setSheetLink(contentsName);
    TableDetails::WriteTableFacts(sheet, table);
    constexpr int HeaderRowNumber = 6; // of the field list written from B2
    TableDetails::WriteFieldProperties(sheet, table, HeaderRowNumber);
    const int lastField = HeaderRowNumber + table.Columns().Count();
    const int lastIndex = TableDetails::WriteIndexes(sheet, table, lastField + 2);
    TableDetails::WriteRelationships(sheet, table, lastIndex + 2);
}

void clsOutputTableDesign::OutputTableTitle(Worksheet &sheet, const Table &table,
                                            qint16 startColumn, qint16 startRow) {
    const qint16 c = startColumn, r = startRow;
    for (const auto &[address, width] : ColumnWidths)
        sheet.Columns(QString::fromLatin1(address)).setColumnWidth(width);

    sheet.Cells(r, c).setValue(TableNameLabel);
    sheet.Cells(r, Add16(c, 1)).setValue(table.Name());
    sheet.Cells(Add16(r, 1), c).setValue(ModifiedLabel);
    sheet.Cells(Add16(r, 1), Add16(c, 1)).setValue(table.DateModified());
    sheet.Cells(Add16(r, 2), c).setValue(CreatedLabel);
    sheet.Cells(Add16(r, 2), Add16(c, 1)).setValue(table.DateCreated());

    const CellRange labels = sheet.Range(sheet.Cells(r, c), sheet.Cells(Add16(r, 2), c));
    labels.Font().setBold(true);
    labels.Interior().setColorIndex(xl::InteriorColorIndexDefault);
    labels.Interior().setPattern(xl::PatternGray16);

    const CellRange block = sheet.Range(sheet.Cells(r, c), sheet.Cells(Add16(r, 2), Add16(c, 1)));
    SetBorder(block.Borders(xl::EdgeTop), xl::Medium);
    SetBorder(block.Borders(xl::EdgeBottom), xl::Medium);
    SetBorder(block.Borders(xl::EdgeLeft), xl::Medium);
    SetBorder(block.Borders(xl::EdgeRight), xl::Medium);
    SetBorder(block.Borders(xl::InsideHorizontal), xl::Hairline);
    SetBorder(block.Borders(xl::InsideVertical), xl::Thin);
}

void clsOutputTableDesign::OutputFieldList(Worksheet &sheet, const Table &table, qint16 startColumn,
                                           qint16 startRow) {
    OutputTableTitle(sheet, table, startColumn, startRow);
    const qint16 header = Add16(startRow, 4);

    for (int i = 0; i < 5; ++i)
        sheet.Cells(header, Add16(startColumn, i)).setValue(HeaderTexts[i]);
    const CellRange headerBlock =
        sheet.Range(sheet.Cells(header, startColumn), sheet.Cells(header, Add16(startColumn, 4)));
    SetBorder(headerBlock.Borders(xl::EdgeTop), xl::Medium);
    SetBorder(headerBlock.Borders(xl::EdgeBottom), xl::Medium);
    SetBorder(headerBlock.Borders(xl::EdgeLeft), xl::Medium);
    SetBorder(headerBlock.Borders(xl::EdgeRight), xl::Medium);
    SetBorder(headerBlock.Borders(xl::InsideVertical), xl::Thin);
    headerBlock.Font().setBold(true);
    headerBlock.Interior().setColorIndex(xl::InteriorColorIndexDefault);
    headerBlock.Interior().setPattern(xl::PatternGray16);

    const auto &columns = table.Columns();
    const int fieldCount = columns.Count();
    if (fieldCount > 0) {
        // The last row of the block is counted in 32 bits.
        const CellRange data =
            sheet.Range(sheet.Cells(Add16(header, 1), startColumn),
                        sheet.Cells(qint32{header} + fieldCount, Add16(startColumn, 4)));
        SetBorder(data.Borders(xl::EdgeTop), xl::Medium);
        SetBorder(data.Borders(xl::EdgeBottom), xl::Medium);
        SetBorder(data.Borders(xl::EdgeLeft), xl::Medium);
        SetBorder(data.Borders(xl::EdgeRight), xl::Medium);
        SetBorder(data.Borders(xl::InsideHorizontal), xl::Hairline);
        SetBorder(data.Borders(xl::InsideVertical), xl::Thin);
    }
    qint16 row = Add16(header, 1);

    // Read anew for every table. Without it no field could be named, so the
    // run stops here and says which file it missed.
    const QString namesPath = QDir(applicationPath_).filePath(TypeNameFile);
    const auto names = typeNameFile_.load(namesPath);
    if (!names || !names->fields().contains(QStringLiteral("ID"), Qt::CaseInsensitive) ||
        !names->fields().contains(QStringLiteral("EnumName"), Qt::CaseInsensitive))
        throw Failure(FailureKind::NameFile,
                      QStringLiteral("データ型の名前のファイル「%1」を読み込めません。")
                          .arg(QDir::toNativeSeparators(namesPath)));

    // A table has few different types; each is looked up in the file once.
    QHash<qint32, CellValue> typeNames;
    const auto &keys = table.Keys();
    for (const Column &column : columns) {
        sheet.Cells(row, startColumn).setValue(column.Name());
        auto typeName = typeNames.constFind(column.Type());
        if (typeName == typeNames.cend())
            typeName =
                typeNames.insert(column.Type(), ToCellValue(TypeName(*names, column.Type())));
        sheet.Cells(row, Add16(startColumn, 1)).setValue(*typeName);
        if (column.DefinedSize() != 0)
            sheet.Cells(row, Add16(startColumn, 2)).setValue(double(column.DefinedSize()));
        // Every key that holds the field writes its mark; the last one stays.
        for (const Key &key : keys)
            for (const KeyColumn &keyColumn : key.Columns())
                if (keyColumn.Name() == column.Name())
                    sheet.Cells(row, Add16(startColumn, 3)).setValue(KeyMark(key.Name()));
        if ((writeDescriptions_ || writeDetails_) && !column.Description().isEmpty()) {
            const CellRange description = sheet.Cells(row, Add16(startColumn, 4));
            description.setValue(column.Description());
            description.setWrapText(true);
            // The row grows to show every line; a description that fits on
            // one line leaves the row at the default height.
            const int lines = WrappedLineCount(column.Description(), DescriptionPixels);
            if (lines > 1)
                sheet.Rows(row).setRowHeight(std::min(lines * LinePoints, xl::MaxRowHeight));
        }
        row = Add16(row, 1);
    }
}

void clsOutputTableDesign::SetBorder(const spreadsheet::RangeBorder &border, qint32 weight) {
    border.setLineStyle(xl::Continuous);
    border.setWeight(weight);
    border.setColorIndex(xl::ColorIndexAutomatic);
}

std::shared_ptr<Connection> clsOutputTableDesign::OpenConnection(const QString &connectionString,
                                                                 std::optional<Failure> *whyNot) {
    return mdlADO::OpenConnectionString(services_.readers, connectionString, whyNot);
}
