#include "common/Failure.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/FilePresenter.h"
#include "spreadsheet/PackageParts.h"
#include "spreadsheet/XlsxFile.h"
#include "spreadsheet/XmlText.h"
#include "support/Failures.h"
#include "support/SheetCells.h"
#include "support/WorkbookReader.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace spreadsheet;

namespace {

// Draws a border as the program does: continuous, a weight, automatic colour.
void Border(const CellRange &range, int index, int weight) {
    const RangeBorder border = range.Borders(index);
    border.setLineStyle(xl::Continuous);
    border.setWeight(weight);
    border.setColorIndex(xl::ColorIndexAutomatic);
}

// One sheet laid out the way a table's sheet is: column widths, a framed
// title block with grey bold labels, a header row and a block of fields.
void WriteTableSheet(Worksheet &sheet, int fields) {
    const double widths[] = {1.83, 14.75, 15, 5.48, 6.5, 36.75, 1.83};
    for (int i = 0; i < 7; ++i)
        sheet.Columns(QStringLiteral("%1:%1").arg(QChar(u'A' + i))).setColumnWidth(widths[i]);
    sheet.Cells(2, 2).setValue(QStringLiteral("テーブル名称"));
    sheet.Cells(2, 3).setValue(sheet.Name());
    sheet.Cells(3, 2).setValue(QStringLiteral("更新日時"));
    sheet.Cells(3, 3).setValue(OleDateTime::fromDateTime(QDate(2024, 5, 2), QTime(18, 0, 5, 250)));
    sheet.Cells(4, 2).setValue(QStringLiteral("作成日時"));
    sheet.Cells(4, 3).setValue(OleDateTime::fromDateTime(QDate(1900, 2, 28), QTime(6, 0)));
    const CellRange labels = sheet.Range(sheet.Cells(2, 2), sheet.Cells(4, 2));
    labels.Font().setBold(true);
    labels.Interior().setColorIndex(0);
    labels.Interior().setPattern(xl::PatternGray16);
    const CellRange title = sheet.Range(sheet.Cells(2, 2), sheet.Cells(4, 3));
    for (int edge : {xl::EdgeTop, xl::EdgeBottom, xl::EdgeLeft, xl::EdgeRight})
        Border(title, edge, xl::Medium);
    Border(title, xl::InsideHorizontal, xl::Hairline);
    Border(title, xl::InsideVertical, xl::Thin);

    const CellRange header = sheet.Range(sheet.Cells(6, 2), sheet.Cells(6, 6));
    sheet.Cells(6, 2).setValue(QStringLiteral("フィールド名"));
    for (int edge : {xl::EdgeTop, xl::EdgeBottom, xl::EdgeLeft, xl::EdgeRight})
        Border(header, edge, xl::Medium);
    Border(header, xl::InsideVertical, xl::Thin);
    header.Font().setBold(true);
    header.Interior().setColorIndex(0);
    header.Interior().setPattern(xl::PatternGray16);

    const CellRange data = sheet.Range(sheet.Cells(7, 2), sheet.Cells(6 + fields, 6));
    for (int edge : {xl::EdgeTop, xl::EdgeBottom, xl::EdgeLeft, xl::EdgeRight})
        Border(data, edge, xl::Medium);
    Border(data, xl::InsideHorizontal, xl::Hairline);
    Border(data, xl::InsideVertical, xl::Thin);
    for (int i = 1; i <= fields; ++i) {
        sheet.Cells(6 + i, 2).setValue(QStringLiteral("field%1").arg(i));
        sheet.Cells(6 + i, 4).setValue(50.0 * i);
    }
}

} // namespace

class TestXlsx : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QJsonObject written_; // the workbook of writeAndReadBack, as read back

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        auto app = Application::Create();
        auto book = app->Workbooks().Add();
        auto &sheets = book->Worksheets();
        sheets.Item("Sheet3")->Delete();
        sheets.Item("Sheet2")->Delete();
        auto first = sheets.Item("Sheet1");
        first->setName("顧客マスタ");
        WriteTableSheet(*first, 3);
        first->Rows(8).setRowHeight(22.5);
        auto second = sheets.Add(first);
        second->setName("Order Details");
        WriteTableSheet(*second, 1);
        second->Activate();
        const QString path = dir_.filePath("book.xlsx");
        WriteXlsx(*book, path);
        written_ = ReadWorkbook(path);
        QVERIFY(!written_.isEmpty());
    }

    void sheetsInOrderWithTheActiveOne() {
        const QJsonArray sheets = written_.value("sheets").toArray();
        QCOMPARE(sheets.size(), 2);
        QCOMPARE(sheets[0].toObject().value("name").toString(), QStringLiteral("顧客マスタ"));
        QCOMPARE(sheets[1].toObject().value("name").toString(), QStringLiteral("Order Details"));
        QCOMPARE(written_.value("active").toInt(), 1);
        QCOMPARE(written_.value("contentType").toString(),
                 QStringLiteral(
                     "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"));
    }

    void values() {
        const QJsonObject sheet = written_.value("sheets").toArray()[0].toObject();
        QCOMPARE(CellAt(sheet, "B2").value("value").toObject().value("text").toString(),
                 QStringLiteral("テーブル名称"));
        QCOMPARE(CellAt(sheet, "C2").value("value").toObject().value("text").toString(),
                 QStringLiteral("顧客マスタ"));
        QCOMPARE(CellAt(sheet, "D7").value("value").toObject().value("number").toDouble(), 50.0);
        QCOMPARE(CellAt(sheet, "D9").value("value").toObject().value("number").toDouble(), 150.0);
        // Dates are dates, in the built-in date-time format, to the millisecond;
        // also in the first two months of 1900, where the serials differ.
        QCOMPARE(CellAt(sheet, "C3").value("value").toObject().value("date").toString(),
                 QStringLiteral("2024-05-02T18:00:05.250"));
        QCOMPARE(CellAt(sheet, "C3").value("numberFormat").toString(),
                 QStringLiteral("m/d/yy h:mm"));
        QCOMPARE(CellAt(sheet, "C4").value("value").toObject().value("date").toString(),
                 QStringLiteral("1900-02-28T06:00:00.000"));
    }

    void formats() {
        const QJsonObject sheet = written_.value("sheets").toArray()[0].toObject();
        for (const char *label : {"B2", "B3", "B4", "B6", "F6"}) {
            QVERIFY2(CellAt(sheet, label).value("bold").toBool(), label);
            QCOMPARE(CellAt(sheet, label).value("fill").toString(), QStringLiteral("gray125"));
        }
        for (const char *plain : {"C2", "C3", "B7", "F9"}) {
            QVERIFY2(!CellAt(sheet, plain).value("bold").toBool(), plain);
            QVERIFY2(CellAt(sheet, plain).value("fill").isNull(), plain);
        }
        QCOMPARE(BordersAt(sheet, "B2"),
                 QStringLiteral("top:medium bottom:hair left:medium right:thin"));
        QCOMPARE(BordersAt(sheet, "C3"),
                 QStringLiteral("top:hair bottom:hair left:thin right:medium"));
        QCOMPARE(BordersAt(sheet, "C4"),
                 QStringLiteral("top:hair bottom:medium left:thin right:medium"));
        QCOMPARE(BordersAt(sheet, "D6"),
                 QStringLiteral("top:medium bottom:medium left:thin right:thin"));
        QCOMPARE(BordersAt(sheet, "B7"),
                 QStringLiteral("top:medium bottom:hair left:medium right:thin"));
        QCOMPARE(BordersAt(sheet, "F8"),
                 QStringLiteral("top:hair bottom:hair left:thin right:medium"));
        QCOMPARE(BordersAt(sheet, "E9"),
                 QStringLiteral("top:hair bottom:medium left:thin right:thin"));
        // A one-row data block has no inner horizontal line.
        const QJsonObject one = written_.value("sheets").toArray()[1].toObject();
        QCOMPARE(BordersAt(one, "C7"),
                 QStringLiteral("top:medium bottom:medium left:thin right:thin"));
    }

    void cellsNeverWrittenStayAbsent() {
        const QJsonObject cells =
            written_.value("sheets").toArray()[0].toObject().value("cells").toObject();
        QStringList expected;
        for (int row = 2; row <= 4; ++row)
            expected << QStringLiteral("B%1").arg(row) << QStringLiteral("C%1").arg(row);
        for (int row = 6; row <= 9; ++row)
            for (QChar c : QStringLiteral("BCDEF"))
                expected << QStringLiteral("%1%2").arg(c).arg(row);
        QStringList present = cells.keys();
        std::sort(expected.begin(), expected.end());
        std::sort(present.begin(), present.end());
        QCOMPARE(present, expected);
        QVERIFY(cells.value("F7").toObject().value("value").isNull());
    }

    void columnWidths() {
        const QJsonObject widths =
            written_.value("sheets").toArray()[0].toObject().value("widths").toObject();
        const QMap<QString, double> expected = {{"A", 1.83}, {"B", 14.75}, {"C", 15},  {"D", 5.48},
                                                {"E", 6.5},  {"F", 36.75}, {"G", 1.83}};
        QCOMPARE(widths.keys(), QStringList(expected.keys()));
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            const double stored = widths.value(it.key()).toDouble();
            QVERIFY2(
                ReadsBackAsWidth(stored, it.value()),
                qPrintable(QStringLiteral("%1: %2").arg(it.key()).arg(ShownColumnWidth(stored))));
        }
    }

    // A row given a height has it in the file; every other row has none, so
    // that it keeps the sheet's default.
    void rowHeights() {
        const QJsonArray sheets = written_.value("sheets").toArray();
        QCOMPARE(sheets[0].toObject().value("heights").toObject(), (QJsonObject{{"8", 22.5}}));
        QCOMPARE(sheets[1].toObject().value("heights").toObject(), QJsonObject());
    }

    // A date before 1900 has no serial and is written as text. Before
    // 1900-03-01 the spreadsheet's serials are one lower than OLE dates (it
    // counts a 29 February 1900); only a January date tells, since the
    // reader maps both serials of 28 February to that day.
    void earlyDates_data() {
        QTest::addColumn<double>("oleDate");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("shown");
        QTest::newRow("before 1900") << -1.25 << "text"
                                     << "1899/12/29 06:00:00";
        QTest::newRow("January 1900")
            << OleDateTime::fromDateTime(QDate(1900, 1, 15), QTime(12, 0)).serial() << "date"
            << "1900-01-15T12:00:00.000";
    }
    void earlyDates() {
        QFETCH(double, oleDate);
        QFETCH(QString, kind);
        QFETCH(QString, shown);
        auto app = Application::Create();
        auto book = app->Workbooks().Add();
        book->ActiveSheet()->Cells(1, 1).setValue(OleDateTime(oleDate));
        const QString path = dir_.filePath(
            QStringLiteral("early-%1.xlsx").arg(QTest::currentDataTag()).replace(' ', '-'));
        WriteXlsx(*book, path);
        const QJsonObject sheet = ReadWorkbook(path).value("sheets").toArray()[0].toObject();
        QCOMPARE(CellAt(sheet, "A1").value("value").toObject().value(kind).toString(), shown);
    }

    // Cell text as the file stores it: what XML cannot carry, and the
    // underscore of what would read as an escape, in the form _xHHHH_.
    void cellTextEscapes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        const QChar high(0xD842), low(0xDFB7); // 𠮷 is the pair high, low
        QTest::newRow("plain") << QStringLiteral("顧客マスタ ID_x")
                               << QStringLiteral("顧客マスタ ID_x");
        QTest::newRow("control character")
            << QStringLiteral("a\u0001b") << QStringLiteral("a_x0001_b");
        QTest::newRow("NUL and U+001F")
            << QString(QChar(0)) + QStringLiteral("\u001F") << QStringLiteral("_x0000__x001F_");
        QTest::newRow("U+FFFE") << QStringLiteral("x\uFFFE") << QStringLiteral("x_xFFFE_");
        QTest::newRow("U+FFFF") << QStringLiteral("\uFFFFx") << QStringLiteral("_xFFFF_x");
        QTest::newRow("lone high surrogate at the end")
            << QStringLiteral("a") + high << QStringLiteral("a_xD842_");
        QTest::newRow("lone high surrogate before a letter")
            << high + QStringLiteral("a") << QStringLiteral("_xD842_a");
        QTest::newRow("lone low surrogate")
            << low + QStringLiteral("a") << QStringLiteral("_xDFB7_a");
        QTest::newRow("pair the wrong way round")
            << QString(low) + high << QStringLiteral("_xDFB7__xD842_");
        QTest::newRow("surrogate pair") << QString(high) + low << QString(high) + low;
        QTest::newRow("tab, line feed, carriage return")
            << QStringLiteral("a\tb\nc\rd") << QStringLiteral("a\tb\nc\rd");
        QTest::newRow("literal escape")
            << QStringLiteral("_x0041_") << QStringLiteral("_x005F_x0041_");
        QTest::newRow("literal escape in lower case")
            << QStringLiteral("a_x00e9_") << QStringLiteral("a_x005F_x00e9_");
        QTest::newRow("literal escaped underscore")
            << QStringLiteral("_x005F_") << QStringLiteral("_x005F_x005F_");
        QTest::newRow("literal escapes sharing an underscore")
            << QStringLiteral("_x0041_x0042_") << QStringLiteral("_x005F_x0041_x005F_x0042_");
        QTest::newRow("no escape: capital X, three digits, not hex")
            << QStringLiteral("_X0041_ _x041_ _x00G1_") << QStringLiteral("_X0041_ _x041_ _x00G1_");
        QTest::newRow("escaped character before x0041_")
            << QStringLiteral("\u0001x0041_") << QStringLiteral("_x0001_x0041_");
    }
    void cellTextEscapes() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QCOMPARE(EscapedCellText(text), stored);
    }

    // The template's content types: the workbook part declared a template's,
    // everything else as it was; content types that declare no workbook part
    // as libxlsxwriter writes it give nothing, so that no broken template is
    // handed over.
    void templateContentTypes_data() {
        QTest::addColumn<QByteArray>("types");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray start =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
        const QByteArray sheet =
            "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
            "ContentType=\"application/"
            "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        const auto workbook = [](const char *type) {
            return QByteArray("<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                              "vnd.openxmlformats-officedocument.spreadsheetml.") +
                   type + "\"/>";
        };
        QTest::newRow("as libxlsxwriter writes them")
            << start + workbook("sheet.main+xml") + sheet + "</Types>"
            << start + workbook("template.main+xml") + sheet + "</Types>";
        QTest::newRow("no workbook part") << start + sheet + "</Types>" << QByteArray();
        QTest::newRow("a workbook with macros")
            << start + workbook("sheet.macroEnabled.main+xml") + "</Types>" << QByteArray();
        QTest::newRow("cut short") << start + workbook("sheet.main+xml") << QByteArray();
        const QByteArray prefixed =
            "<ct:Types xmlns:ct=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
        QTest::newRow("names with a prefix, no declaration")
            << prefixed + workbook("sheet.main+xml").replace("<Override", "<ct:Override") +
                   "</ct:Types>"
            << prefixed + workbook("template.main+xml").replace("<Override", "<ct:Override") +
                   "</ct:Types>";
        QTest::newRow("a document type")
            << "<!DOCTYPE Types [<!ENTITY t \"x\">]>" + start.mid(start.indexOf("<Types")) +
                   workbook("sheet.main+xml") + "</Types>"
            << QByteArray();
    }
    void templateContentTypes() {
        QFETCH(QByteArray, types);
        QFETCH(QByteArray, expected);
        QCOMPARE(TemplateContentTypes(types).trimmed(), expected);
    }

    // A part that libxlsxwriter stored cut short lacks the end of its root.
    void partEnds_data() {
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<bool>("complete");
        const QByteArray declaration =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
        const QByteArray sheet =
            declaration +
            "<worksheet xmlns=\"x\"><sheetData><row r=\"1\"/></sheetData></worksheet>";
        QTest::newRow("complete") << sheet << true;
        QTest::newRow("complete, a line feed after") << sheet + "\n" << true;
        QTest::newRow("cut short") << sheet.chopped(3) << false;
        QTest::newRow("cut after an inner end tag")
            << sheet.left(sheet.indexOf("</worksheet>")) << false;
        QTest::newRow("a root without contents")
            << declaration + "<Relationships xmlns=\"x\"/>" << true;
        QTest::newRow("without declaration") << QByteArray("<sst count=\"0\"></sst>") << true;
        QTest::newRow("only the declaration") << declaration << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void partEnds() {
        QFETCH(QByteArray, part);
        QFETCH(bool, complete);
        // As the check reads a part: its first and its last 512 bytes.
        QCOMPARE(
            EndsItsRootElement(QByteArrayView(part).first(std::min<qsizetype>(part.size(), 512)),
                               QByteArrayView(part).last(std::min<qsizetype>(part.size(), 512))),
            complete);
    }

    // Workbooks handed to one file presenter each get a file of their own.
    void filePresenterNumbersFurtherWorkbooks() {
        auto presenter = std::make_shared<FilePresenter>(dir_.filePath("each.xlsx"));
        Application::setPresenter(presenter);
        for (const char *name : {"first", "second"}) {
            auto app = Application::Create();
            app->setVisible(true);
            app->Workbooks().Add()->ActiveSheet()->setName(name);
        }
        Application::setPresenter(nullptr);
        QCOMPARE(presenter->written(),
                 (QStringList{dir_.filePath("each.xlsx"), dir_.filePath("each-2.xlsx")}));
        QCOMPARE(ReadWorkbook(dir_.filePath("each-2.xlsx"))
                     .value("sheets")
                     .toArray()[0]
                     .toObject()
                     .value("name")
                     .toString(),
                 QStringLiteral("second"));
    }

    // The workbook reaches the user as a template, so that it opens untitled;
    // what a run wrote before it failed is in it.
    void failedRunIsPresentedAsTemplate() {
        auto presenter = std::make_shared<FilePresenter>(dir_.filePath("presented.xltx"), true);
        Application::setPresenter(presenter);
        try {
            auto app = Application::Create();
            auto book = app->Workbooks().Add();
            app->setVisible(true);
            auto sheet = book->Worksheets().Item("Sheet1");
            sheet->setName("Orders");
            WriteTableSheet(*sheet, 2);
            book->Worksheets().Add(sheet)->setName("orders");
            QFAIL("a duplicate sheet name was accepted");
        } catch (const Failure &e) {
            QVERIFY(e.message().contains("orders"));
            QCOMPARE(e.kind(), FailureKind::RefusedName);
        }
        Application::setPresenter(nullptr);
        QCOMPARE(presenter->written().size(), 1);
        QVERIFY(presenter->failures().empty());

        const QJsonObject read = ReadWorkbook(presenter->written()[0]);
        QCOMPARE(
            read.value("contentType").toString(),
            QStringLiteral(
                "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"));
        const QJsonArray sheets = read.value("sheets").toArray();
        QCOMPARE(sheets.size(), 4);
        QCOMPARE(sheets[0].toObject().value("name").toString(), QStringLiteral("Orders"));
        QCOMPARE(
            CellAt(sheets[0].toObject(), "B8").value("value").toObject().value("text").toString(),
            QStringLiteral("field2"));
        QCOMPARE(read.value("active").toInt(), 1); // the sheet added last
    }
};

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
