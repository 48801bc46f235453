#include "common/Failure.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/FilePresenter.h"
#include "spreadsheet/PackageParts.h"
#include "spreadsheet/XlsxFile.h"
#include "spreadsheet/XmlText.h"
#include "support/Failures.h"
#include "support/SheetCells.h"
#include "support/WorkbookReader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace spreadsheet;

class TestXlsx : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // A row given a height has it in the file; every other row has none, so
    // that it keeps the sheet's default.
    void rowHeights() {
        auto app = Application::Create(nullptr);
        auto book = app->Workbooks().Add();
        auto first = book->Worksheets().Item("Sheet1");
        for (int row = 7; row <= 9; ++row)
            first->Cells(row, 2).setValue(QStringLiteral("field%1").arg(row - 6));
        first->Rows(8).setRowHeight(22.5);
        book->Worksheets().Item("Sheet2")->Cells(7, 2).setValue(QStringLiteral("field1"));
        const QString path = dir_.filePath("heights.xlsx");
        WriteXlsx(*book, path);
        const QJsonObject read = ReadWorkbook(path);
        QCOMPARE(SheetAt(read, 0).value("heights").toObject(), (QJsonObject{{"8", 22.5}}));
        QCOMPARE(SheetAt(read, 1).value("heights").toObject(), QJsonObject());
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
        auto app = Application::Create(nullptr);
        auto book = app->Workbooks().Add();
        book->ActiveSheet()->Cells(1, 1).setValue(OleDateTime(oleDate));
        const QString path = dir_.filePath(
            QStringLiteral("early-%1.xlsx").arg(QTest::currentDataTag()).replace(' ', '-'));
        WriteXlsx(*book, path);
        QCOMPARE(ValueAt(SheetAt(ReadWorkbook(path), 0), "A1", kind).toString(), shown);
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
        for (const char *name : {"first", "second"}) {
            auto app = Application::Create(presenter);
            app->setVisible(true);
            app->Workbooks().Add()->ActiveSheet()->setName(name);
        }
        QCOMPARE(presenter->written(),
                 (QStringList{dir_.filePath("each.xlsx"), dir_.filePath("each-2.xlsx")}));
        QCOMPARE(SheetNames(ReadWorkbook(dir_.filePath("each-2.xlsx"))).value(0),
                 QStringLiteral("second"));
    }

    // The workbook reaches the user as a template, so that it opens untitled;
    // what a run wrote before it failed is in it.
    void failedRunIsPresentedAsTemplate() {
        auto presenter = std::make_shared<FilePresenter>(dir_.filePath("presented.xltx"), true);
        try {
            auto app = Application::Create(presenter);
            auto book = app->Workbooks().Add();
            app->setVisible(true);
            auto sheet = book->Worksheets().Item("Sheet1");
            sheet->setName("Orders");
            sheet->Cells(8, 2).setValue(QStringLiteral("field2"));
            book->Worksheets().Add(sheet)->setName("orders");
            QFAIL("a duplicate sheet name was accepted");
        } catch (const Failure &e) {
            QVERIFY(e.message().contains("orders"));
            QCOMPARE(e.kind(), FailureKind::RefusedName);
        }
        QCOMPARE(presenter->written().size(), 1);
        QVERIFY(presenter->failures().empty());

        const QJsonObject read = ReadWorkbook(presenter->written()[0]);
        QCOMPARE(
            read.value("contentType").toString(),
            QStringLiteral(
                "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"));
        QCOMPARE(SheetNames(read).size(), 4);
        QCOMPARE(SheetNames(read).value(0), QStringLiteral("Orders"));
        QCOMPARE(TextAt(SheetAt(read, 0), "B8"), QStringLiteral("field2"));
        QCOMPARE(read.value("active").toInt(), 1); // the sheet added last
    }
};

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
