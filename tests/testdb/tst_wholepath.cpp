#include "common/Failure.h"
#include "database/ConnectionString.h"
#include "generator/clsOutputTableDesign.h"
#include "spreadsheet/FilePresenter.h"
#include "support/AnsweringPrompts.h"
#include "support/MdbSchemaComments.h"
#include "support/SheetCells.h"
#include "support/WorkbookReader.h"
#include "testdb/Jet4Writer.h"
#include "ui/DesktopPresenter.h"
#include "ui/HandOverFolders.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QJsonArray>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// Shapes no public Access file has, written by our own writer and taken
// through the whole program: the table list of the window, the generator,
// and the workbook as an independent reader sees it.

namespace {

const QString TooLong = QStringLiteral("T2345678901234567890123456789012"); // 32 characters
const QString ControlCharacterName = QStringLiteral("bad\u0001name");

// The fields of the table "Odd": names that XML cannot carry as they are, or
// that look like the spreadsheet's escape for such characters.
struct OddName {
    const char *row;
    QString name;
};
const QList<OddName> OddNames = {
    {"U+0001", QStringLiteral("y\u0001z")},
    {"U+001F", QStringLiteral("a\u001Fb")},
    {"U+FFFE", QStringLiteral("x\uFFFE")},
    {"U+FFFF", QStringLiteral("\uFFFFw")},
    {"literal escape", QStringLiteral("lit_x0041_")},
    {"literal escape in lower case", QStringLiteral("_x00e9_")},
    {"literal escaped underscore", QStringLiteral("_x005F_x0041_")},
    {"tab and line feed", QStringLiteral("a\tb\nc")},
};

// Descriptions of fields: Japanese, as long as Access allows, with
// characters outside the BMP, and none.
struct Described {
    const char *row;
    QString field;
    QString description;
};
QString LongDescription() {
    QString text = QStringLiteral("長い説明：");
    while (text.size() < 255)
        text += QStringLiteral("受注日から三営業日以内に出荷する。");
    return text.left(255);
}
const QList<Described> Descriptions = {
    {"Japanese", QStringLiteral("顧客コード"), QStringLiteral("顧客を一意に識別する番号です。")},
    {"255 characters", QStringLiteral("備考"), LongDescription()},
    {"outside the BMP", QStringLiteral("𩸽の数"), QStringLiteral("𠮷野家の𩸽（ほっけ）の数。")},
    {"none", QStringLiteral("なし"), QString()},
};

// Descriptions of the table "高さ", in this order from row 7: texts that
// wrap in several ways, and texts that take one line or none. Only
// characters the Japanese font draws, so that every one can be found in
// LibreOffice's rendering.
const QList<Described> Wrapping = {
    {"Latin, one line", QStringLiteral("注文番号"), QStringLiteral("Order number.")},
    {"Japanese, one line", QStringLiteral("顧客コード"),
     QStringLiteral("顧客を一意に識別する番号です。")},
    {"Latin", QStringLiteral("受注日"),
     QStringLiteral("The date on which the order was placed by the customer; it must not be later "
                    "than the date "
                    "of shipment, nor earlier than the date the customer was first entered. Leave "
                    "it empty for "
                    "quotes that were never ordered.")},
    {"Japanese, 255 characters", QStringLiteral("備考"), LongDescription()},
    {"mixed", QStringLiteral("重さ"),
     QStringLiteral("送料の計算に使う重さ（kg, 小数点以下2桁）。Weight of the parcel in kilograms, "
                    "used for the "
                    "shipping fee; 0 means not weighed yet.")},
    {"a word longer than a line", QStringLiteral("参照先"),
     QStringLiteral("https://intranet.example.com/orders/guidelines/"
                    "shipping-and-handling-of-fragile-parcels.html")},
    {"line breaks", QStringLiteral("改行"), QStringLiteral("一行目\r\n二行目\r\n三行目")},
    {"none", QStringLiteral("なし"), QString()},
};

// What LibreOffice drew in column F of a table's sheet in one row: the words
// whose middle lies in the row, read in order and put together, the number
// of lines they stand on, and those of them not inside the row within a
// point. Every cell stands at the bottom of its row, so the field names
// (one line each) mark where the rows end: the row lies between the bottom
// of the name above (or of the header) and of its own.
struct DescriptionDrawn {
    QString text;
    int lines = 0;
    QStringList outside;
};
DescriptionDrawn DrawnInRow(const QJsonArray &words, const QString &nameAbove,
                            const QString &name) {
    auto find = [&words](const QString &text) {
        for (const QJsonValue &w : words)
            if (w.toObject().value("text").toString() == text)
                return w.toObject();
        return QJsonObject();
    };
    const double left = find(QStringLiteral("説明")).value("xMin").toDouble();
    const double top = find(nameAbove).value("yMax").toDouble(),
                 bottom = find(name).value("yMax").toDouble();
    QList<QJsonObject> inRow;
    for (const QJsonValue &w : words) {
        const QJsonObject word = w.toObject();
        const double middle = (word.value("yMin").toDouble() + word.value("yMax").toDouble()) / 2;
        if (word.value("xMin").toDouble() >= left - 1 && middle > top && middle <= bottom)
            inRow << word;
    }
    std::sort(inRow.begin(), inRow.end(), [](const QJsonObject &a, const QJsonObject &b) {
        return std::pair(a.value("yMin").toDouble(), a.value("xMin").toDouble()) <
               std::pair(b.value("yMin").toDouble(), b.value("xMin").toDouble());
    });
    DescriptionDrawn drawn;
    double lineTop = -1;
    for (const QJsonObject &word : inRow) {
        const double yMin = word.value("yMin").toDouble(), yMax = word.value("yMax").toDouble();
        drawn.text += word.value("text").toString();
        if (yMin > lineTop + 3) { // lines stand 11 points apart or more
            ++drawn.lines;
            lineTop = yMin;
        }
        if (yMin < top - 1 || yMax > bottom + 1)
            drawn.outside << QStringLiteral("%1 (%2 to %3 in a row from %4 to %5)")
                                 .arg(word.value("text").toString())
                                 .arg(yMin)
                                 .arg(yMax)
                                 .arg(top)
                                 .arg(bottom);
    }
    return drawn;
}

TestColumn Long(const QString &name) {
    return {name, "long"};
}
TestColumn Text(const QString &name, int size = 50) {
    return {name, "text", size};
}
TestKey Primary(const QString &name, const QStringList &columns) {
    return {name, "primary", columns, QString(), QStringList()};
}
TestKey Foreign(const QString &name, const QStringList &columns) {
    return {name, "foreign", columns, "Ref", QStringList(columns.size(), "ID")};
}

TestDatabase Database() {
    TestDatabase db;
    db.tables << TestTable{
        "顧客マスタ",
        QDateTime(QDate(2024, 4, 1), QTime(9, 30)),
        QDateTime(QDate(2024, 5, 2), QTime(18, 0, 5)),
        false,
        false,
        {Long("顧客ID"), Text("氏名"), Text("ﾌﾘｶﾞﾅ"), {"ひらがなの備考", "memo"}},
        {Primary("PrimaryKey", {"顧客ID"})}};
    db.tables << TestTable{"𠮷野家の店舗",
                           {},
                           {},
                           false,
                           false,
                           {Long("𩸽"), Text("店名", 40)},
                           {Primary("鍵𠀋Key", {"𩸽"})}};
    db.tables << TestTable{
        "Ref", {}, {}, false, false, {Long("ID")}, {Primary("PrimaryKey", {"ID"})}};
    db.tables << TestTable{
        "Keys",
        {},
        {},
        false,
        false,
        {Long("ID"), Long("Id"), Long("A"), Long("B"), Long("C"), Long("D"), Long("E"), Long("F")},
        {Primary("PrimaryKey", {"A"}), Foreign("Key", {"B"}), Foreign("pkey", {"C"}),
         Foreign("KeyOrderKey", {"D"}), Foreign("KKeyey", {"E"}), Foreign("First", {"F"}),
         Foreign("Second", {"F"}), Foreign("IDKey", {"ID"})}};
    TestTable wide{"Wide", {}, {}, false, false, {}, {}};
    for (int i = 1; i <= 255; ++i)
        wide.columns << Text(QStringLiteral("列%1").arg(i, 3, 10, QChar(u'0')), 10);
    db.tables << wide;
    db.tables << TestTable{"Hidden", {}, {}, true, false, {Long("x")}, {}};
    db.tables << TestTable{"Sys", {}, {}, false, true, {Long("x")}, {}};
    db.tables << TestTable{"abc", {}, {}, false, false, {Long("x")}, {}};
    db.tables << TestTable{"ABC", {}, {}, false, false, {Long("x")}, {}};
    db.tables << TestTable{"History", {}, {}, false, false, {Long("x")}, {}};
    db.tables << TestTable{TooLong, {}, {}, false, false, {Long("x")}, {}};
    db.tables << TestTable{ControlCharacterName, {}, {}, false, false, {Long("x")}, {}};
    db.tables << TestTable{"A B", {}, {}, false, false, {Long("x")}, {}};
    db.tables << TestTable{"A\tB", {}, {}, false, false, {Long("x")}, {}};
    TestTable odd{"Odd", {}, {}, false, false, {}, {}};
    for (const OddName &n : OddNames)
        odd.columns << Text(n.name);
    db.tables << odd;
    db.queries << "月別売上";
    db.links << "外部顧客";
    return db;
}

} // namespace

class TestWholePath : public QObject {
    Q_OBJECT

    const Services services_;
    QTemporaryDir dir_;
    QString database_;

    struct Run {
        QString failure;
        QJsonObject workbook;
        QJsonObject sheet(const QString &name) const { return SheetNamed(workbook, name); }
    };

    // The sheet of the table "Odd" as openpyxl and as LibreOffice read it.
    QJsonObject oddByOpenpyxl_, oddByLibreOffice_;

    // The sheet of the table "説明" written with descriptions.
    QJsonObject described_;

    // The sheet of the table "高さ" written with descriptions, as openpyxl
    // reads it, and the words LibreOffice draws on it.
    QJsonObject wrapping_;
    QJsonArray wrappingDrawn_;

    Run make(const QStringList &tables, bool descriptions = false, const QString &database = {}) {
        const QString output = dir_.filePath("run.xlsx");
        QFile::remove(output);
        auto presenter = std::make_shared<spreadsheet::FilePresenter>(output);
        Run run;
        try {
            clsOutputTableDesign generator(services_.presentingTo(presenter));
            generator.setWriteDescriptions(descriptions);
            for (const QString &t : tables)
                generator.AddTable(t);
            generator.setConnectionString(
                mdlADO::BuildConnectionString(database.isEmpty() ? database_ : database));
            generator.Make();
        } catch (const Failure &e) {
            run.failure = e.message();
        }
        if (!presenter->written().isEmpty())
            run.workbook = ReadWorkbook(output);
        return run;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // The window's settings go to a place of the test's own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir_.filePath("settings"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.filePath("settings"));
        database_ = dir_.filePath("ｶﾀﾛｸﾞ 𠮷.mdb");
        WriteJet4(Database(), database_);
    }

    // Hidden tables are listed, system tables, queries and links are not;
    // names that differ only in case both stand, in the catalog's order.
    void tableList() {
        frmMain window(services_);
        auto prompts = std::make_shared<AnsweringPrompts>();
        prompts->answers << database_;
        window.setPrompts(prompts);
        window.mitmOpen_Click();
        QCOMPARE(prompts->messages, QStringList());
        auto *list = window.findChild<QTreeWidget *>("lsvTables");
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0);
        QCOMPARE(rows, (QStringList{"A\tB", "A B", "ABC", "abc", ControlCharacterName, "Hidden",
                                    "History", "Keys", "Odd", "Ref", TooLong, "Wide", "顧客マスタ",
                                    "𠮷野家の店舗"}));
        QCOMPARE(list->topLevelItem(12)->text(1), QStringLiteral("2024/05/02 18:00:05"));
        QCOMPARE(list->topLevelItem(12)->text(2), QStringLiteral("2024/04/01 09:30:00"));
        QCOMPARE(window.statusPanelText(2), QStringLiteral("14個のテーブル"));
    }

    // With the detailed item ticked, the window's output writes the detailed
    // workbook through the real generator and hands it to the desktop: the
    // contents sheet first, each table's sheet linking back to it.
    void windowWritesTheDetailedWorkbook() {
        QTemporaryDir folders;
        QStringList opened;
        frmMain window(services_);
        auto prompts = std::make_shared<AnsweringPrompts>();
        prompts->answers << database_;
        window.setPrompts(prompts);
        window.setHandOver(std::make_shared<DesktopPresenter>(
            [&](const QString &message) { prompts->messages << message; },
            [&](const QString &path) {
                opened << path;
                return true;
            },
            HandOverFolders(folders.path())));
        window.mitmOpen_Click();
        auto *list = window.findChild<QTreeWidget *>("lsvTables");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (const QString name = list->topLevelItem(i)->text(0);
                name == "顧客マスタ" || name == "History")
                list->topLevelItem(i)->setCheckState(0, Qt::Checked);
        auto *details = window.findChild<QAction *>("mitmDetails");
        QVERIFY(details && !details->isChecked());
        details->trigger();
        window.mitmExcel_Click();
        details->trigger(); // the setting as it was
        window.setHandOver(nullptr);
        QCOMPARE(prompts->messages, QStringList());
        QCOMPARE(opened.size(), 1);
        const QJsonObject workbook = ReadWorkbook(opened[0]);
        QStringList sheets;
        for (const QJsonValue &sheet : workbook.value("sheets").toArray())
            sheets << sheet.toObject().value("name").toString();
        // "History" is a name the spreadsheet keeps for itself: its sheet
        // takes the nearest name it allows, its title block the full name.
        QCOMPARE(sheets.size(), 3);
        QCOMPARE(sheets[0], QStringLiteral("目次"));
        QCOMPARE(sheets[2], QStringLiteral("顧客マスタ"));
        QCOMPARE(TextAt(SheetNamed(workbook, sheets[1]), "C2"), QStringLiteral("History"));
        QCOMPARE(TextAt(SheetNamed(workbook, "顧客マスタ"), "H2"), QStringLiteral("目次へ"));
        QCOMPARE(TextAt(SheetNamed(workbook, "顧客マスタ"), "C2"), QStringLiteral("顧客マスタ"));
    }

    // Japanese names of every kind, one outside the BMP among them, in sheet
    // names and cells.
    void japaneseNamesInTheWorkbook() {
        const Run run = make({"顧客マスタ", "𠮷野家の店舗"});
        QCOMPARE(run.failure, QString());
        QJsonObject sheet = run.sheet("顧客マスタ");
        QCOMPARE(TextAt(sheet, "C2"), QStringLiteral("顧客マスタ"));
        const QStringList fields = {"顧客ID", "氏名", "ﾌﾘｶﾞﾅ", "ひらがなの備考"};
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(TextAt(sheet, QStringLiteral("B%1").arg(7 + i)), fields[i]);
        QCOMPARE(TextAt(sheet, "E7"), QStringLiteral("Primary"));
        sheet = run.sheet("𠮷野家の店舗");
        QCOMPARE(TextAt(sheet, "C2"), QStringLiteral("𠮷野家の店舗"));
        QCOMPARE(TextAt(sheet, "B7"), QStringLiteral("𩸽"));
        QCOMPARE(TextAt(sheet, "E7"), QStringLiteral("鍵𠀋"));
        QCOMPARE(TextAt(sheet, "C8"), QStringLiteral("adVarWChar"));
    }

    void keyMarks() {
        const Run run = make({"Keys"});
        QCOMPARE(run.failure, QString());
        const QJsonObject sheet = run.sheet("Keys");
        // ID, Id, A (primary), B "Key", C "pkey", D "KeyOrderKey", E "KKeyey", F in two keys.
        const QStringList marks = {"ID", "", "Primary", "", "pkey", "Order", "Key", "Second"};
        for (int i = 0; i < marks.size(); ++i)
            QCOMPARE(TextAt(sheet, QStringLiteral("E%1").arg(7 + i)), marks[i]);
    }

    void twoHundredFiftyFiveFields() {
        const Run run = make({"Wide"});
        QCOMPARE(run.failure, QString());
        const QJsonObject sheet = run.sheet("Wide");
        QCOMPARE(TextAt(sheet, "B7"), QStringLiteral("列001"));
        QCOMPARE(TextAt(sheet, "B261"), QStringLiteral("列255"));
        const QJsonObject last = CellAt(sheet, "F261").value("border").toObject();
        QCOMPARE(last.value("bottom").toString(), QStringLiteral("medium"));
        QCOMPARE(last.value("right").toString(), QStringLiteral("medium"));
        QVERIFY(!sheet.value("cells").toObject().contains("B262"));
    }

    // Names the spreadsheet refuses stop the run, naming the table; what was
    // written before stays.
    void refusedNames_data() {
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QString>("named");
        QTest::newRow("32 characters") << QStringList{"顧客マスタ", TooLong} << TooLong;
        QTest::newRow("History") << QStringList{"顧客マスタ", "History"}
                                 << QStringLiteral("History");
        QTest::newRow("control character")
            << QStringList{"顧客マスタ", ControlCharacterName} << ControlCharacterName;
        // Written, the tab would read back as a space: two sheets "A B".
        QTest::newRow("a tab beside a space")
            << QStringList{"顧客マスタ", "A B", "A\tB"} << QStringLiteral("A\tB");
    }
    void refusedNames() {
        QFETCH(QStringList, tables);
        QFETCH(QString, named);
        const Run run = make(tables);
        QVERIFY2(run.failure.contains(named), qPrintable(run.failure));
        QCOMPARE(TextAt(run.sheet("顧客マスタ"), "B10"), QStringLiteral("ひらがなの備考"));
        // Each table's sheet, the last one as added, with nothing on it.
        QCOMPARE(SheetNames(run.workbook).size(), tables.size());
    }

    // Field descriptions come back exactly from the Access file into column
    // F of their rows; mdbtools' mdb-schema reads the same from the file.
    void descriptionsRoundTrip_data() {
        QTest::addColumn<int>("field");
        for (int i = 0; i < Descriptions.size(); ++i)
            QTest::newRow(Descriptions[i].row) << i;
    }
    void descriptionsRoundTrip() {
        QFETCH(int, field);
        const QString database = dir_.filePath("説明.mdb");
        if (described_.isEmpty()) {
            TestTable table{"説明", {}, {}, false, false, {}, {}};
            for (const Described &d : Descriptions)
                table.columns << TestColumn{d.field, "text", 50, false, d.description};
            WriteJet4(TestDatabase{{table}, {}, {}}, database);
            const Run run = make({"説明"}, true, database);
            QCOMPARE(run.failure, QString());
            described_ = run.sheet("説明");
            QVERIFY(!described_.isEmpty());
        }
        const Described &d = Descriptions[field];
        const QString address = QStringLiteral("F%1").arg(7 + field);
        QCOMPARE(TextAt(described_, QStringLiteral("B%1").arg(7 + field)), d.field);
        QCOMPARE(TextAt(described_, address), d.description);
        QCOMPARE(CellAt(described_, address).contains("wrap"), !d.description.isEmpty());
        // mdb-schema decodes the file's UTF-16 as UCS-2: each half of a
        // surrogate pair comes out as "?".
        const auto asUcs2 = [](QString text) {
            for (QChar &c : text)
                if (c.isSurrogate())
                    c = u'?';
            return text;
        };
        QCOMPARE(MdbSchemaColumnComments(database, "説明").value(asUcs2(d.field)),
                 asUcs2(d.description));
    }

    // A row whose description wraps is as high as its lines: in LibreOffice's
    // rendering every line lies inside the row, and the file gives the row
    // 15 points for each line LibreOffice drew, or for one line more (the
    // program fills lines as wide as the spreadsheet application leaves
    // them, a little narrower than LibreOffice's). A row whose description
    // takes one line, or that has none, keeps the default height.
    void wrappedDescriptionsShowEveryLine_data() {
        QTest::addColumn<int>("field");
        for (int i = 0; i < Wrapping.size(); ++i)
            QTest::newRow(Wrapping[i].row) << i;
    }
    void wrappedDescriptionsShowEveryLine() {
        QFETCH(int, field);
        if (wrapping_.isEmpty()) {
            const QString database = dir_.filePath("高さ.mdb");
            TestTable table{"高さ", {}, {}, false, false, {}, {}};
            for (const Described &d : Wrapping)
                table.columns << TestColumn{d.field, "text", 50, false, d.description};
            WriteJet4(TestDatabase{{table}, {}, {}}, database);
            const Run run = make({"高さ"}, true, database);
            QCOMPARE(run.failure, QString());
            wrapping_ = run.sheet("高さ");
            const QJsonObject drawn = RenderWithLibreOffice(dir_.filePath("run.xlsx"));
            // Where Carlito is missing, Calibri is drawn in a font of other widths.
            QVERIFY2(drawn.value("fonts").toArray().contains(QStringLiteral("Carlito")),
                     "LibreOffice drew Calibri without Carlito (fonts-crosextra-carlito)");
            QCOMPARE(drawn.value("pages").toArray().size(), 1);
            wrappingDrawn_ = drawn.value("pages").toArray()[0].toObject().value("words").toArray();
            for (const QString &row : wrapping_.value("heights").toObject().keys())
                QVERIFY2(row.toInt() >= 7 && row.toInt() < 7 + Wrapping.size(), qPrintable(row));
        }
        const Described &d = Wrapping[field];
        const QString above =
            field == 0 ? QStringLiteral("フィールド名") : Wrapping[field - 1].field;
        const DescriptionDrawn drawn = DrawnInRow(wrappingDrawn_, above, d.field);
        QVERIFY2(drawn.outside.isEmpty(), qPrintable(drawn.outside.join(QStringLiteral("; "))));
        // Every line of the description, and nothing of another row's.
        QCOMPARE(drawn.text,
                 QString(d.description).remove(QRegularExpression(QStringLiteral("\\s"))));

        const QJsonObject heights = wrapping_.value("heights").toObject();
        const QString row = QString::number(7 + field);
        if (drawn.lines <= 1) {
            QVERIFY2(!heights.contains(row),
                     qPrintable(QString::number(heights.value(row).toDouble())));
        } else {
            const double height = heights.value(row).toDouble();
            QVERIFY2(
                height >= 15 * drawn.lines && height <= 15 * (drawn.lines + 1),
                qPrintable(QStringLiteral("%1 points for %2 lines").arg(height).arg(drawn.lines)));
        }
    }

    // Field names with characters XML cannot carry, or with what looks like
    // the spreadsheet's escape for them, come back exactly from the Access
    // file through the reader process and the workbook, in both independent
    // readers.
    void namesXmlCannotCarry_data() {
        QTest::addColumn<int>("field");
        for (int i = 0; i < OddNames.size(); ++i)
            QTest::newRow(OddNames[i].row) << i;
    }
    void namesXmlCannotCarry() {
        QFETCH(int, field);
        if (oddByOpenpyxl_.isEmpty()) {
            const Run run = make({"Odd"});
            QCOMPARE(run.failure, QString());
            oddByOpenpyxl_ = run.sheet("Odd");
            oddByLibreOffice_ =
                SheetNamed(ReadWorkbookWithLibreOffice(dir_.filePath("run.xlsx")), "Odd");
            QVERIFY(!oddByOpenpyxl_.isEmpty() && !oddByLibreOffice_.isEmpty());
        }
        const QString address = QStringLiteral("B%1").arg(7 + field);
        QCOMPARE(TextAt(oddByOpenpyxl_, address), OddNames[field].name);
        QCOMPARE(TextAt(oddByLibreOffice_, address), OddNames[field].name);
    }
};

QTEST_MAIN(TestWholePath)
#include "tst_wholepath.moc"
