#include "common/Failure.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/WorkbookPresenter.h"
#include "support/Failures.h"

#include <QTest>

using namespace spreadsheet;

namespace {

QStringList SheetNames(const Workbook &book) {
    QStringList names;
    for (const auto &s : book.sheets())
        names << s->Name();
    return names;
}

// Keeps what it is given: the sheet names of each workbook presented.
class RecordingPresenter : public WorkbookPresenter {
public:
    void present(const Workbook &workbook) noexcept override {
        presented << SheetNames(workbook).join(',');
    }
    QStringList presented;
};

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT

    std::shared_ptr<Application> app_;
    std::shared_ptr<Workbook> book_;

private slots:
    void init() {
        app_ = Application::Create(nullptr);
        book_ = app_->Workbooks().Add();
    }
    void cleanup() {
        book_.reset();
        app_.reset();
    }

    void newWorkbookHasThreeSheets() {
        QCOMPARE(SheetNames(*book_), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
        QCOMPARE(book_->ActiveSheet()->Name(), QStringLiteral("Sheet1"));
        QCOMPARE(app_->Workbooks().Count(), 1);
    }

    void lookupAndDelete() {
        const auto missing = FailureOf([&] { book_->Worksheets().Item("Sheet4"); });
        QVERIFY(missing && missing->message().contains("Sheet4"));
        QCOMPARE(book_->Worksheets().Item("sheet2")->Name(), QStringLiteral("Sheet2"));
        auto sheet3 = book_->Worksheets().Item("Sheet3");
        sheet3->Delete();
        book_->Worksheets().Item("Sheet2")->Delete();
        QCOMPARE(SheetNames(*book_), QStringList{"Sheet1"});
        const auto deleted = FailureOf([&] { book_->Worksheets().Item("Sheet3"); });
        QVERIFY(deleted && deleted->message().contains("Sheet3"));
        // A deleted sheet is gone for good, and the last sheet stays.
        QVERIFY(FailureOf([&] { sheet3->Cells(1, 1).setValue(1.0); }).has_value());
        QVERIFY(FailureOf([&] { book_->Worksheets().Item("Sheet1")->Delete(); }).has_value());
    }

    void deletingTheActiveSheetActivatesTheNext() {
        book_->Worksheets().Item("Sheet1")->Delete();
        QCOMPARE(book_->ActiveSheet()->Name(), QStringLiteral("Sheet2"));
        book_->Worksheets().Item("Sheet3")->Activate();
        book_->Worksheets().Item("Sheet3")->Delete();
        QCOMPARE(book_->ActiveSheet()->Name(), QStringLiteral("Sheet2"));
    }

    // The way a run builds its sheets: each new one directly after the last.
    void addAfterChain() {
        auto &sheets = book_->Worksheets();
        sheets.Item("Sheet3")->Delete();
        sheets.Item("Sheet2")->Delete();
        auto previous = sheets.Item("Sheet1");
        previous->setName("a");
        for (const char *name : {"b", "c", "d"}) {
            auto sheet = sheets.Add(previous);
            QCOMPARE(book_->ActiveSheet().get(), sheet.get());
            sheet->setName(name);
            previous = sheet;
        }
        QCOMPARE(SheetNames(*book_), (QStringList{"a", "b", "c", "d"}));
        // After a sheet in the middle: directly after it, not at the end.
        auto inserted = sheets.Add(sheets.Item("b"));
        QCOMPARE(SheetNames(*book_), (QStringList{"a", "b", inserted->Name(), "c", "d"}));
    }

    void addedSheetsTakeTheNextFreeNumber() {
        auto &sheets = book_->Worksheets();
        QCOMPARE(sheets.Add(sheets.Item("Sheet3"))->Name(), QStringLiteral("Sheet4"));
        sheets.Item("Sheet1")->setName("Sheet5");
        QCOMPARE(sheets.Add(sheets.Item("Sheet4"))->Name(), QStringLiteral("Sheet6"));
        QCOMPARE(SheetNames(*book_),
                 (QStringList{"Sheet5", "Sheet2", "Sheet3", "Sheet4", "Sheet6"}));
    }

    void refusedNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason"); // a part of the message
        QTest::newRow("empty") << ""
                               << "空";
        QTest::newRow("32 characters") << QString(32, u'x') << "31文字";
        QTest::newRow("16 characters outside the BMP")
            << QString::fromUcs4(U"𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋") << "31文字";
        for (const char *c : {":", "\\", "/", "?", "*", "[", "]"})
            QTest::newRow(qPrintable(QStringLiteral("contains %1").arg(c)))
                << QStringLiteral("a%1b").arg(c) << QStringLiteral("「%1」").arg(c);
        // Characters XML cannot carry: the workbook could not be read.
        QTest::newRow("control character") << QStringLiteral("bad\u0001name") << "U+0001";
        QTest::newRow("NUL") << QString(QChar(0)) << "U+0000";
        // Read back from the attribute as a space: "A\tB" would be "A B".
        QTest::newRow("tab") << QStringLiteral("A\tB") << "U+0009";
        QTest::newRow("line feed") << QStringLiteral("A\nB") << "U+000A";
        QTest::newRow("carriage return") << QStringLiteral("A\rB") << "U+000D";
        QTest::newRow("U+FFFE") << QStringLiteral("a\uFFFE") << "U+FFFE";
        QTest::newRow("U+FFFF") << QStringLiteral("\uFFFFb") << "U+FFFF";
        QTest::newRow("lone high surrogate") << QStringLiteral("a") + QChar(0xD842) << "U+D842";
        QTest::newRow("lone low surrogate") << QChar(0xDFB7) + QStringLiteral("b") << "U+DFB7";
        QTest::newRow("pair the wrong way round")
            << QString(QChar(0xDFB7)) + QChar(0xD842) << "U+DFB7";
        QTest::newRow("leading apostrophe") << "'abc"
                                            << "アポストロフィ";
        QTest::newRow("trailing apostrophe") << "abc'"
                                             << "アポストロフィ";
        QTest::newRow("History") << "History"
                                 << "予約";
        QTest::newRow("history in lower case") << "hiSTORY"
                                               << "予約";
        QTest::newRow("another sheet's name") << "Sheet2"
                                              << "既に使用";
        QTest::newRow("another sheet's name in other case") << "SHEET3"
                                                            << "既に使用";
    }
    void refusedNames() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        auto sheet = book_->Worksheets().Item("Sheet1");
        const auto refused = FailureOf([&] { sheet->setName(name); });
        QVERIFY(refused);
        QVERIFY2(refused->message().contains(reason), qPrintable(refused->message()));
        QCOMPARE(refused->kind(), FailureKind::RefusedName);
        QCOMPARE(sheet->Name(), QStringLiteral("Sheet1"));
    }

    void acceptedNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("31 characters") << QString(31, u'x');
        QTest::newRow("own name again") << "Sheet1";
        QTest::newRow("own name in other case") << "SHEET1";
        QTest::newRow("japanese") << "顧客マスタ";
        QTest::newRow("half-width katakana") << "ｶﾀｶﾅ";
        QTest::newRow("15 characters outside the BMP")
            << QString::fromUcs4(U"𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋𠀋");
        QTest::newRow("inner apostrophe") << "O'Brien";
        QTest::newRow("History as a part") << "History2";
        QTest::newRow("blanks and dots") << "Order Details.v2";
    }
    void acceptedNames() {
        QFETCH(QString, name);
        auto sheet = book_->Worksheets().Item("Sheet1");
        sheet->setName(name);
        QCOMPARE(sheet->Name(), name);
    }

    void duplicatesFoldUnicodeCase() {
        book_->Worksheets().Item("Sheet2")->setName("Ärger");
        const auto refused =
            FailureOf([&] { book_->Worksheets().Item("Sheet1")->setName("äRGER"); });
        QVERIFY(refused && refused->message().contains("既に使用"));
        QCOMPARE(refused->kind(), FailureKind::RefusedName);
    }

    void cellBounds_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("fails");
        QTest::newRow("A1") << 1 << 1 << false;
        QTest::newRow("last cell") << xl::MaxRows << xl::MaxColumns << false;
        QTest::newRow("row 0") << 0 << 1 << true;
        QTest::newRow("column 0") << 1 << 0 << true;
        QTest::newRow("row past the sheet") << xl::MaxRows + 1 << 1 << true;
        QTest::newRow("column past the sheet") << 1 << xl::MaxColumns + 1 << true;
        QTest::newRow("negative") << -5 << 3 << true;
    }
    void cellBounds() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, fails);
        auto sheet = book_->ActiveSheet();
        QCOMPARE(FailureOf([&] { sheet->Cells(row, column); }).has_value(), fails);
    }

    void valuesAndRanges() {
        auto sheet = book_->ActiveSheet();
        sheet->Cells(2, 3).setValue(QStringLiteral("テーブル名称"));
        sheet->Cells(3, 3).setValue(255.0);
        sheet->Cells(4, 3).setValue(OleDateTime(39531.5));
        QCOMPARE(std::get<QString>(sheet->Cells(2, 3).Value()), QStringLiteral("テーブル名称"));
        QCOMPARE(std::get<double>(sheet->Cells(3, 3).Value()), 255.0);
        QCOMPARE(std::get<OleDateTime>(sheet->Cells(4, 3).Value()).serial(), 39531.5);
        QVERIFY(std::holds_alternative<std::monostate>(sheet->Cells(9, 9).Value()));
        sheet->Cells(3, 3).setValue(QString());
        QVERIFY(std::holds_alternative<std::monostate>(sheet->Cells(3, 3).Value()));
        sheet->Cells(3, 3).setValue(255.0);

        const CellRange forward = sheet->Range(sheet->Cells(2, 2), sheet->Cells(4, 3));
        const CellRange backward = sheet->Range(sheet->Cells(4, 3), sheet->Cells(2, 2));
        const CellRange crossed = sheet->Range(sheet->Cells(2, 3), sheet->Cells(4, 2));
        for (const CellRange &r : {forward, backward, crossed})
            QCOMPARE((QList<int>{r.top(), r.left(), r.bottom(), r.right()}),
                     (QList<int>{2, 2, 4, 3}));

        forward.Font().setBold(true);
        forward.Interior().setColorIndex(0);
        forward.Interior().setPattern(xl::PatternGray16);
        for (int row = 2; row <= 4; ++row)
            for (int column = 2; column <= 3; ++column) {
                const Cell &cell = *sheet->cellAt(row, column);
                QVERIFY(cell.format.bold);
                QCOMPARE(cell.format.interiorPattern, std::optional<qint16>(17));
            }
        QVERIFY(!sheet->cellAt(5, 2));

        auto other = book_->Worksheets().Item("Sheet2");
        QVERIFY(
            FailureOf([&] { sheet->Range(sheet->Cells(1, 1), other->Cells(2, 2)); }).has_value());
        QVERIFY(FailureOf([&] {
                    sheet->Cells(1, 1).setValue(QString(xl::MaxTextLength + 1, u'x'));
                }).has_value());
    }

    // Cells far from the top left corner are kept apart from the rest, and
    // all of them still come back in sheet order.
    void farCells() {
        auto sheet = book_->ActiveSheet();
        sheet->Cells(xl::MaxRows, xl::MaxColumns).setValue(QStringLiteral("last"));
        sheet->Cells(1, 70).setValue(1.0);
        sheet->Cells(2, 1).setValue(2.0);
        sheet->Cells(70000, 3).setValue(3.0);
        const CellRange across = sheet->Range(sheet->Cells(5, 62), sheet->Cells(6, 67));
        across.Borders(xl::InsideVertical).setLineStyle(xl::Continuous);
        across.Borders(xl::EdgeBottom).setWeight(xl::Medium);
        QVector<GridKey> order;
        for (const auto &[at, cell] : sheet->cellsInOrder())
            order << at;
        QCOMPARE(order.first(), GridKey(1, 70));
        QCOMPARE(order[1], GridKey(2, 1));
        QCOMPARE(order.last(), GridKey(xl::MaxRows, xl::MaxColumns));
        QVERIFY(order.contains(GridKey(70000, 3)));
        QCOMPARE(order.size(), 4 + 12);
        for (int column = 63; column <= 67; ++column)
            QVERIFY2(sheet->lineLeftOf(5, column), qPrintable(QString::number(column)));
        QCOMPARE(sheet->lineAbove(7, 66)->weight, qint16(xl::Medium));
        QVERIFY(!sheet->lineLeftOf(5, 62));
        QCOMPARE(std::get<QString>(sheet->Cells(xl::MaxRows, xl::MaxColumns).Value()),
                 QStringLiteral("last"));
    }

    // Nothing unknown is silently ignored: the message names the number.
    void unknownSettingsFail_data() {
        QTest::addColumn<int>("what");
        QTest::addColumn<int>("value");
        QTest::newRow("border index 6") << 0 << 6;
        QTest::newRow("border index 13") << 0 << 13;
        QTest::newRow("line style dashed") << 1 << -4115;
        QTest::newRow("weight thick") << 2 << 4;
        QTest::newRow("border colour 3") << 3 << 3;
        QTest::newRow("interior colour 6") << 4 << 6;
        QTest::newRow("pattern solid") << 5 << 1;
        QTest::newRow("arrange style 99") << 6 << 99;
    }
    void unknownSettingsFail() {
        QFETCH(int, what);
        QFETCH(int, value);
        auto sheet = book_->ActiveSheet();
        const CellRange range = sheet->Range(sheet->Cells(2, 2), sheet->Cells(3, 3));
        const std::function<void()> calls[] = {
            [&] { range.Borders(value); },
            [&] { range.Borders(xl::EdgeTop).setLineStyle(value); },
            [&] { range.Borders(xl::EdgeTop).setWeight(value); },
            [&] { range.Borders(xl::EdgeTop).setColorIndex(value); },
            [&] { range.Interior().setColorIndex(value); },
            [&] { range.Interior().setPattern(value); },
            [&] { app_->Windows().Arrange(value); },
        };
        const auto refused = FailureOf(calls[what]);
        QVERIFY(refused);
        QVERIFY2(refused->message().contains(QString::number(value)),
                 qPrintable(refused->message()));
        QVERIFY(!sheet->lineAbove(2, 2));
    }

    void columnWidths() {
        auto sheet = book_->ActiveSheet();
        sheet->Columns("A:A").setColumnWidth(1.83);
        sheet->Columns("c:e").setColumnWidth(15);
        QCOMPARE(sheet->columnWidths(),
                 (std::map<int, double>{{1, 1.83}, {3, 15}, {4, 15}, {5, 15}}));
        QVERIFY(FailureOf([&] { sheet->Columns("A1:B"); }).has_value());
        QVERIFY(FailureOf([&] { sheet->Columns("A:A").setColumnWidth(256); }).has_value());
    }

    void rowHeights() {
        auto sheet = book_->ActiveSheet();
        sheet->Rows(7).setRowHeight(45);
        sheet->Rows(xl::MaxRows).setRowHeight(0);
        QCOMPARE(sheet->rowHeights(), (std::map<int, double>{{7, 45}, {xl::MaxRows, 0}}));
        QVERIFY(FailureOf([&] { sheet->Rows(0); }).has_value());
        QVERIFY(FailureOf([&] { sheet->Rows(xl::MaxRows + 1); }).has_value());
        QVERIFY(FailureOf([&] { sheet->Rows(8).setRowHeight(409.5); }).has_value());
        QVERIFY(FailureOf([&] { sheet->Rows(8).setRowHeight(-1); }).has_value());
        QCOMPARE(sheet->rowHeights().size(), size_t(2));
    }

    // The workbook reaches the presenter once the last reference goes, also
    // after a failure half way; an application never shown discards it.
    void handOver() {
        auto presenter = std::make_shared<RecordingPresenter>();
        try {
            auto app = Application::Create(presenter);
            auto book = app->Workbooks().Add();
            app->setVisible(true);
            app->setDisplayAlerts(false);
            auto sheet = book->Worksheets().Item("Sheet1");
            app.reset(); // the sheet and the workbook still hold it
            sheet->setName("first");
            QCOMPARE(presenter->presented.size(), 0);
            book->Worksheets().Add(sheet)->setName("History");
            QFAIL("the reserved name was accepted");
        } catch (const Failure &) {
        }
        QCOMPARE(presenter->presented, QStringList{"first,Sheet4,Sheet2,Sheet3"});

        {
            auto hidden = Application::Create(presenter);
            hidden->Workbooks().Add();
        }
        QCOMPARE(presenter->presented.size(), 1);

        for (int run = 0; run < 2; ++run) {
            auto app = Application::Create(presenter);
            app->setVisible(true);
            app->Workbooks().Add()->Worksheets().Item("Sheet1")->setName(
                QStringLiteral("run%1").arg(run));
        }
        QCOMPARE(presenter->presented.mid(1),
                 (QStringList{"run0,Sheet2,Sheet3", "run1,Sheet2,Sheet3"}));
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
