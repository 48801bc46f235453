#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/Constants.h"

#include <QTest>

using namespace spreadsheet;

// Which cell edges end up drawn, and how heavily, when borders of ranges are
// set one after another as the title block and the field list set them.
// Steps read "B2:C4 8M": range, border index, weight (M medium, T thin,
// H hairline); the expected edges read "B2=T:M B:H L:M R:T" per cell, edges
// in the order top, bottom, left, right, cells without a drawn edge left out.
// Only cells the sheet holds count: a line on the outer edge of a range is
// not drawn on the empty cell beyond it.
class TestBorders : public QObject {
    Q_OBJECT

    static GridKey Cell(const QString &a1) {
        const int column = a1[0].unicode() - u'A' + 1;
        return {a1.mid(1).toInt(), column};
    }

    static QString Letter(const BorderLine *line) {
        if (!line)
            return {};
        return line->weight == xl::Medium ? "M" : line->weight == xl::Thin ? "T" : "H";
    }

    static QString Edges(const Worksheet &sheet) {
        QStringList cells;
        for (int row = 1; row <= 12; ++row)
            for (int column = 1; column <= 8; ++column) {
                if (!sheet.cellAt(row, column))
                    continue; // the file holds only the sheet's cells
                QStringList edges;
                const QString sides[] = {Letter(sheet.lineAbove(row, column)),
                                         Letter(sheet.lineAbove(row + 1, column)),
                                         Letter(sheet.lineLeftOf(row, column)),
                                         Letter(sheet.lineLeftOf(row, column + 1))};
                const char *names[] = {"T", "B", "L", "R"};
                for (int i = 0; i < 4; ++i)
                    if (!sides[i].isEmpty())
                        edges << QStringLiteral("%1:%2").arg(names[i], sides[i]);
                if (!edges.isEmpty())
                    cells << QStringLiteral("%1%2=%3")
                                 .arg(QChar(u'A' + column - 1))
                                 .arg(row)
                                 .arg(edges.join(' '));
            }
        return cells.join("; ");
    }

private slots:
    void edges_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");

        QTest::newRow("left of one cell") << QStringList{"C3:C3 7M"} << "C3=L:M";
        QTest::newRow("top of one cell") << QStringList{"C3:C3 8M"} << "C3=T:M";
        QTest::newRow("bottom of one cell") << QStringList{"C3:C3 9T"} << "C3=B:T";
        QTest::newRow("right of one cell") << QStringList{"C3:C3 10H"} << "C3=R:H";
        QTest::newRow("inside vertical of one cell") << QStringList{"C3:C3 11T"} << "";
        QTest::newRow("inside horizontal of one cell") << QStringList{"C3:C3 12H"} << "";

        QTest::newRow("one row: inside horizontal draws nothing") << QStringList{"B2:D2 12H"} << "";
        QTest::newRow("one row: inside vertical")
            << QStringList{"B2:D2 11T"} << "B2=R:T; C2=L:T R:T; D2=L:T";
        QTest::newRow("one row: outer edges")
            << QStringList{"B2:D2 8M", "B2:D2 9M", "B2:D2 7M", "B2:D2 10M"}
            << "B2=T:M B:M L:M; C2=T:M B:M; D2=T:M B:M R:M";
        QTest::newRow("one column: inside vertical draws nothing")
            << QStringList{"B2:B4 11T"} << "";
        QTest::newRow("one column: inside horizontal")
            << QStringList{"B2:B4 12H"} << "B2=B:H; B3=T:H B:H; B4=T:H";
        QTest::newRow("one column: outer edges")
            << QStringList{"B2:B4 8M", "B2:B4 9M", "B2:B4 7M", "B2:B4 10M"}
            << "B2=T:M L:M R:M; B3=L:M R:M; B4=B:M L:M R:M";

        QTest::newRow("title block") << QStringList{"B2:C4 8M",  "B2:C4 9M",  "B2:C4 7M",
                                                    "B2:C4 10M", "B2:C4 12H", "B2:C4 11T"}
                                     << "B2=T:M B:H L:M R:T; C2=T:M B:H L:T R:M; "
                                        "B3=T:H B:H L:M R:T; C3=T:H B:H L:T R:M; "
                                        "B4=T:H B:M L:M R:T; C4=T:H B:M L:T R:M";

        QTest::newRow("header row above a two-row data block")
            << QStringList{"B6:F6 8M",  "B6:F6 9M",  "B6:F6 7M", "B6:F6 10M",
                           "B6:F6 11T", "B7:F8 8M",  "B7:F8 9M", "B7:F8 7M",
                           "B7:F8 10M", "B7:F8 12H", "B7:F8 11T"}
            << "B6=T:M B:M L:M R:T; C6=T:M B:M L:T R:T; D6=T:M B:M L:T R:T; E6=T:M B:M L:T R:T; "
               "F6=T:M B:M L:T R:M; "
               "B7=T:M B:H L:M R:T; C7=T:M B:H L:T R:T; D7=T:M B:H L:T R:T; E7=T:M B:H L:T R:T; "
               "F7=T:M B:H L:T R:M; "
               "B8=T:H B:M L:M R:T; C8=T:H B:M L:T R:T; D8=T:H B:M L:T R:T; E8=T:H B:M L:T R:T; "
               "F8=T:H B:M L:T R:M";

        // Adjacent cells share an edge: whichever range set it last wins.
        QTest::newRow("later top edge wins over earlier inside line")
            << QStringList{"B2:C4 12H", "B3:C3 8M"}
            << "B2=B:M; C2=B:M; B3=T:M B:H; C3=T:M B:H; B4=T:H; C4=T:H";
        QTest::newRow("later inside line wins over earlier edge")
            << QStringList{"B3:C3 8M", "B2:C4 12H"}
            << "B2=B:H; C2=B:H; B3=T:H B:H; C3=T:H B:H; B4=T:H; C4=T:H";
        QTest::newRow("later left edge wins over earlier inside vertical")
            << QStringList{"B2:C3 11T", "C2:C3 7M"} << "B2=R:M; C2=L:M; B3=R:M; C3=L:M";
        QTest::newRow("same edge set twice") << QStringList{"B2:B2 8M", "B2:B2 8H"} << "B2=T:H";
    }

    void edges() {
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        auto app = Application::Create(nullptr);
        auto sheet = app->Workbooks().Add()->ActiveSheet();
        for (const QString &step : steps) {
            const QStringList parts = step.split(' ');
            const QStringList corners = parts[0].split(':');
            const auto [top, left] = Cell(corners[0]);
            const auto [bottom, right] = Cell(corners[1]);
            const int index = parts[1].chopped(1).toInt();
            const QChar w = parts[1].back();
            const int weight = w == u'M' ? xl::Medium : w == u'T' ? xl::Thin : xl::Hairline;
            // As the program draws every border: style, weight, colour.
            const RangeBorder border =
                sheet->Range(sheet->Cells(top, left), sheet->Cells(bottom, right)).Borders(index);
            border.setLineStyle(xl::Continuous);
            border.setWeight(weight);
            border.setColorIndex(xl::ColorIndexAutomatic);
        }
        QCOMPARE(Edges(*sheet), expected);
    }
};

QTEST_GUILESS_MAIN(TestBorders)
#include "tst_borders.moc"
