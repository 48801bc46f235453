#include "database/Column.h"
#include "generator/AccessTypeName.h"
#include "support/Fixtures.h"
#include "support/SheetCells.h"
#include "support/Tools.h"
#include "support/WorkbookReader.h"
#include "testdb/Jet4Writer.h"
#include "testdb/TestDatabase.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The rows of a table sheet's default block: the title block from row 2,
// the field list's header on row 6 and its fields below.
constexpr int HeaderRow = 6;

// The number of fields a sheet's field list holds, counted from its names.
int FieldCount(const QJsonObject &sheet) {
    int count = 0;
    while (!EmptyAt(sheet, A1(2, HeaderRow + 1 + count)))
        ++count;
    return count;
}

// The cells a sheet holds in columns A to G down to its last field, by
// address.
QJsonObject DefaultBlock(const QJsonObject &sheet) {
    const int last = HeaderRow + FieldCount(sheet);
    QJsonObject block;
    const QJsonObject cells = sheet.value("cells").toObject();
    static const QRegularExpression address("^([A-Z]+)([0-9]+)$");
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        const auto m = address.match(it.key());
        if (m.captured(1).size() == 1 && m.captured(1)[0] <= u'G' && m.captured(2).toInt() <= last)
            block.insert(it.key(), it.value());
    }
    return block;
}

QStringList RowTexts(const QJsonObject &sheet, int row, int from, int to) {
    QStringList texts;
    for (int c = from; c <= to; ++c)
        texts << TextAt(sheet, A1(c, row));
    return texts;
}

// The first row at or below `from` whose column B holds the text.
int RowOf(const QJsonObject &sheet, const QString &text, int from) {
    for (int row = from; row < from + 1000; ++row)
        if (TextAt(sheet, A1(2, row)) == text)
            return row;
    return -1;
}

// The rows of a block below the field list, each as its texts in B, C (the
// merged C:E) and F, joined with "|".
QStringList BlockRows(const QJsonObject &sheet, const QString &heading, int from) {
    const int headingRow = RowOf(sheet, heading, from);
    if (headingRow < 0)
        return {QStringLiteral("no heading ") + heading};
    QStringList rows;
    for (int row = headingRow + 2; !EmptyAt(sheet, A1(2, row)); ++row)
        rows << (RowTexts(sheet, row, 2, 3) + RowTexts(sheet, row, 6, 6)).join(u'|');
    return rows;
}

ToolRun MakeWorkbook(const QStringList &args) {
    return RunTool("quillmere-make-workbook", args, 120000);
}

} // namespace

// The detailed workbook (--details, the window's 詳細な定義書を出力): the
// default block of every table sheet as the workbook with descriptions has
// it, a contents sheet that lists and links every table, and the details
// beside and below the field list, read back with openpyxl.
class TestDetails : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    // Each type as Access's Japanese design view names it, from the ADO
    // code and what the definition adds.
    void accessTypeNames_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("autoNumber");
        QTest::addColumn<bool>("hyperlink");
        QTest::addColumn<int>("complex");
        QTest::addColumn<QString>("name");
        using A = ColumnTraits::AutoNumber;
        using C = ColumnTraits::Complex;
        const auto row = [](const char *tag, int type, QString name, A autoNumber = A::None,
                            bool hyperlink = false, C complex = C::None) {
            QTest::newRow(tag) << type << int(autoNumber) << hyperlink << int(complex) << name;
        };
        row("text", 202, "テキスト型");
        row("fixed text", 130, "テキスト型");
        row("memo", 203, "メモ型");
        row("hyperlink", 203, "ハイパーリンク型", A::None, true);
        row("byte", 17, "数値型 (バイト型)");
        row("integer", 2, "数値型 (整数型)");
        row("long", 3, "数値型 (長整数型)");
        row("single", 4, "数値型 (単精度浮動小数点型)");
        row("double", 5, "数値型 (倍精度浮動小数点型)");
        row("replication id", 72, "数値型 (レプリケーション ID 型)");
        row("decimal", 131, "数値型 (十進型)");
        row("autonumber", 3, "オートナンバー型", A::Increment);
        row("replication autonumber", 72, "オートナンバー型 (レプリケーション ID 型)",
            A::ReplicationId);
        row("currency", 6, "通貨型");
        row("date/time", 7, "日付/時刻型");
        row("yes/no", 11, "Yes/No 型");
        row("OLE object", 205, "OLE オブジェクト型");
        row("binary", 204, "バイナリ型");
        row("big number", 20, "大きい数値");
        row("attachment", 12, "添付ファイル", A::None, false, C::Attachment);
        row("unknown", 12, "型 12");
    }
    void accessTypeNames() {
        QFETCH(int, type);
        QFETCH(int, autoNumber);
        QFETCH(bool, hyperlink);
        QFETCH(int, complex);
        QFETCH(QString, name);
        ColumnTraits traits;
        traits.autoNumber = ColumnTraits::AutoNumber(autoNumber);
        traits.hyperlink = hyperlink;
        traits.complex = ColumnTraits::Complex(complex);
        QCOMPARE(AccessTypeName(Column("f", type, 0, {}, traits)), name);
    }

    void nwindKeepsTheDefaultBlockAndAddsTheDetails() {
        REQUIRE_FIXTURES();
        const QString database = Fixtures::path("nwind.mdb");
        const QString plainPath = dir_.filePath("plain.xlsx");
        const QString detailedPath = dir_.filePath("detailed.xlsx");
        QCOMPARE(MakeWorkbook({"--descriptions", database, plainPath}).exitCode, 0);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QCOMPARE(MakeWorkbook({"--details", database, detailedPath}).exitCode, 0);
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);
        const QJsonObject plain = ReadWorkbook(plainPath);
        const QJsonObject detailed = ReadWorkbook(detailedPath);

        const QStringList tables = SheetNames(plain);
        QCOMPARE(SheetNames(detailed), QStringList{"目次"} + tables);
        QCOMPARE(detailed.value("active").toInt(), 0); // opens on the contents

        const QJsonObject contents = SheetAt(detailed, 0);
        QCOMPARE(TextAt(contents, "B2"), QStringLiteral("データベース"));
        QCOMPARE(TextAt(contents, "C2"), QStringLiteral("nwind.mdb"));
        const QDateTime written = QDateTime::fromString(DateAt(contents, "C3"), Qt::ISODateWithMs);
        QVERIFY2(written >= before && written <= after, qPrintable(DateAt(contents, "C3")));
        QCOMPARE(ValueAt(contents, "C4", "number").toDouble(), double(tables.size()));
        QCOMPARE(RowTexts(contents, 6, 2, 8),
                 (QStringList{"No.", "テーブル名", "説明", "フィールド数", "レコード数", "更新日時",
                              "作成日時"}));
        QCOMPARE(BordersAt(contents, "B6"),
                 QStringLiteral("top:medium bottom:medium left:medium right:thin"));

        const QJsonObject setup{
            {"orientation", "landscape"}, {"fitToPage", true},  {"fitToWidth", 1},
            {"fitToHeight", 0},           {"footerLeft", "&A"}, {"footerRight", "&P / &N"}};
        QCOMPARE(contents.value("pageSetup").toObject(), setup);
        QVERIFY(!SheetAt(plain, 0).contains("pageSetup"));

        for (int i = 0; i < tables.size(); ++i) {
            const QString &name = tables[i];
            const QJsonObject before = SheetNamed(plain, name);
            const QJsonObject sheet = SheetNamed(detailed, name);
            // The default block cell for cell, with the widths of A to G.
            QCOMPARE(DefaultBlock(sheet), DefaultBlock(before));
            for (const char *column : {"A", "B", "C", "D", "E", "F", "G"})
                QCOMPARE(sheet["widths"].toObject()[column], before["widths"].toObject()[column]);
            QCOMPARE(sheet.value("pageSetup").toObject(), setup);
            QCOMPARE(TextAt(sheet, "H2"), QStringLiteral("目次へ"));
            QCOMPARE(CellAt(sheet, "H2").value("link").toString(), QStringLiteral("'目次'!A1"));

            // The contents' row of the table, in the workbook's order.
            const int row = 7 + i;
            QCOMPARE(ValueAt(contents, A1(2, row), "number").toDouble(), double(i + 1));
            QCOMPARE(TextAt(contents, A1(3, row)), name);
            QCOMPARE(CellAt(contents, A1(3, row)).value("link").toString(), "'" + name + "'!A1");
            QCOMPARE(ValueAt(contents, A1(5, row), "number").toDouble(),
                     double(FieldCount(before)));
            QCOMPARE(DateAt(contents, A1(7, row)), DateAt(before, "C3"));
            QCOMPARE(DateAt(contents, A1(8, row)), DateAt(before, "C4"));
            // Each field's type in Access's words on its own row.
            QCOMPARE(EmptyAt(sheet, A1(8, HeaderRow + FieldCount(before))), false);
            QVERIFY(EmptyAt(sheet, A1(8, HeaderRow + FieldCount(before) + 1)));
        }
        QVERIFY(EmptyAt(contents, A1(3, 7 + tables.size())));
        const int orders = tables.indexOf("Orders");
        QCOMPARE(ValueAt(contents, A1(6, 7 + orders), "number").toDouble(), 830.0);
        QCOMPARE(TextAt(contents, A1(4, 7 + orders)),
                 QStringLiteral("Customer name, order date, and freight charge for each order."));

        // Orders: the properties of its fields, as its property lists hold
        // them (tst_tablefacts reads the same ones with mdb-prop).
        const QJsonObject sheet = SheetNamed(detailed, "Orders");
        QCOMPARE(RowTexts(sheet, HeaderRow, 8, 18),
                 (QStringList{"Access のデータ型", "値要求", "空文字列の許可", "既定値", "入力規則",
                              "エラーメッセージ", "標題", "書式", "定型入力", "小数点以下表示桁数",
                              "インデックス"}));
        const auto fieldRow = [&](const QString &field) {
            for (int row = HeaderRow + 1; row <= HeaderRow + FieldCount(sheet); ++row)
                if (TextAt(sheet, A1(2, row)) == field)
                    return row;
            return -1;
        };
        QCOMPARE(RowTexts(sheet, fieldRow("OrderID"), 8, 18),
                 (QStringList{"オートナンバー型", "", "", "", "", "", "Order ID", "", "", "",
                              "はい (重複なし)"}));
        QCOMPARE(RowTexts(sheet, fieldRow("CustomerID"), 8, 18),
                 (QStringList{"テキスト型", "いいえ", "いいえ", "", "", "", "Customer", "", "", "",
                              "はい (重複あり)"}));
        QCOMPARE(RowTexts(sheet, fieldRow("OrderDate"), 8, 18).value(7),
                 QStringLiteral("Medium Date"));
        QCOMPARE(RowTexts(sheet, fieldRow("Freight"), 8, 18),
                 (QStringList{"通貨型", "いいえ", "", "0", "", "", "", "Currency", "", "自動",
                              "いいえ"}));
        QCOMPARE(TextAt(sheet, A1(8, fieldRow("ShipVia"))), QStringLiteral("数値型 (長整数型)"));
        QCOMPARE(TextAt(sheet, A1(18, fieldRow("ShipVia"))),
                 QStringLiteral("いいえ")); // only behind a relationship
        QCOMPARE(BordersAt(sheet, A1(8, HeaderRow)),
                 QStringLiteral("top:medium bottom:medium left:medium right:thin"));
        QCOMPARE(BordersAt(sheet, A1(18, HeaderRow + 1)),
                 QStringLiteral("top:medium bottom:hair left:thin right:medium"));

        // Its indexes as Access's index window lists them, without the
        // hidden ones behind relationships; then every relationship it is
        // on, either side.
        const int lastField = HeaderRow + FieldCount(sheet);
        QCOMPARE(TextAt(sheet, A1(2, lastField + 2)), QStringLiteral("インデックス"));
        QCOMPARE(BlockRows(sheet, "インデックス", lastField + 1),
                 (QStringList{"CustomerID|CustomerID 昇順|いいえ / いいえ / いいえ",
                              "EmployeeID|EmployeeID 昇順|いいえ / いいえ / いいえ",
                              "OrderDate|OrderDate 昇順|いいえ / いいえ / いいえ",
                              "PrimaryKey|OrderID 昇順|はい / はい / いいえ",
                              "ShippedDate|ShippedDate 昇順|いいえ / いいえ / いいえ",
                              "ShipPostalCode|ShipPostalCode 昇順|いいえ / いいえ / いいえ"}));
        const QString rules = "一対多\n参照整合性: はい\nフィールドの連鎖更新: %1\n"
                              "レコードの連鎖削除: %2\n結合の種類: 内部結合";
        QCOMPARE(BlockRows(sheet, "リレーションシップ", lastField + 1),
                 (QStringList{"CustomersOrders|Customers (CustomerID)\n→ Orders (CustomerID)|" +
                                  rules.arg("はい", "いいえ"),
                              "EmployeesOrders|Employees (EmployeeID)\n→ Orders (EmployeeID)|" +
                                  rules.arg("いいえ", "いいえ"),
                              "OrdersOrder Details|Orders (OrderID)\n→ Order Details (OrderID)|" +
                                  rules.arg("いいえ", "はい"),
                              "ShippersOrders|Shippers (ShipperID)\n→ Orders (ShipVia)|" +
                                  rules.arg("いいえ", "いいえ")}));
        // The fields and the tables take C to E merged, in every row of both
        // blocks (the header rows too).
        const QJsonArray merged = sheet["merged"].toArray();
        QCOMPARE(merged.size(), (1 + 6) + (1 + 4));
        QVERIFY(merged.contains(QJsonValue(A1(3, lastField + 3) + ":" + A1(5, lastField + 3))));
        // The table's own description, beside the title block.
        QCOMPARE(RowTexts(sheet, 2, 10, 11),
                 (QStringList{"テーブルの説明",
                              "Customer name, order date, and freight charge for each order."}));

        // LibreOffice opens it.
        const QJsonObject opened = OpenWithLibreOffice({detailedPath});
        QCOMPARE(opened["documents"].toArray().at(0).toObject()["sheets"].toArray().size(),
                 tables.size() + 1);
    }

    // A database of our own: every property kind, index flag and
    // relationship rule (everything-a-table-keeps.json), with tables whose
    // names the spreadsheet refuses for sheets or that differ only in case,
    // and one named as the contents sheet. Every table gets its sheet; the
    // title block, the contents and the links carry the full names.
    void ourDatabaseEveryTableGetsItsSheet() {
        QFile described(
            QStringLiteral(QUILLMERE_TESTS_DIR "/database/everything-a-table-keeps.json"));
        QVERIFY(described.open(QIODevice::ReadOnly));
        QJsonObject json = QJsonDocument::fromJson(described.readAll()).object();
        const QString longA = QString(40, u'x') + QString(24, u'a');
        const QString longB = QString(40, u'x') + QString(24, u'b');
        QJsonArray tables = json["tables"].toArray();
        for (const QString &name : {QStringLiteral("目次"), longA, longB, QStringLiteral("a/b:c"),
                                    QStringLiteral("Case"), QStringLiteral("CASE")})
            tables.append(QJsonObject{
                {"name", name},
                {"columns", QJsonArray{QJsonObject{{"name", "ID"}, {"type", "long"}}}}});
        json["tables"] = tables;
        QString error;
        const auto database = ParseTestDatabase(QJsonDocument(json).toJson(), &error);
        QVERIFY2(database, qPrintable(error));
        const QString path = dir_.filePath("ours.mdb");
        WriteJet4(*database, path);
        const QString output = dir_.filePath("ours.xlsx");
        // The default workbook stops at the first name it refuses, as always.
        QCOMPARE(MakeWorkbook({path, dir_.filePath("plain.xlsx"), "a/b:c"}).exitCode, 1);
        const QStringList names = {"顧客", "注文",  "担当者", "目次", longA,
                                   longB,  "a/b:c", "Case",   "CASE"};
        const ToolRun run = MakeWorkbook(QStringList{"--details", path, output} + names);
        QVERIFY2(run.exitCode == 0, run.said.constData());
        const QJsonObject book = ReadWorkbook(output);

        const QStringList sheets = {"目次 (2)",
                                    "顧客",
                                    "注文",
                                    "担当者",
                                    "目次",
                                    QString(31, u'x'),
                                    QString(29, u'x') + "~2",
                                    "a_b_c",
                                    "Case",
                                    "CASE~2"};
        QCOMPARE(SheetNames(book), sheets);
        const QJsonObject contents = SheetAt(book, 0);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(TextAt(contents, A1(3, 7 + i)), names[i]);
            QCOMPARE(CellAt(contents, A1(3, 7 + i)).value("link").toString(),
                     "'" + sheets[i + 1] + "'!A1");
            const QJsonObject sheet = SheetAt(book, i + 1);
            QCOMPARE(TextAt(sheet, "C2"), names[i]);
            QCOMPARE(CellAt(sheet, "H2").value("link").toString(), QStringLiteral("'目次 (2)'!A1"));
        }

        // A table without indexes or relationships: both headings and
        // header rows, no rows.
        const QJsonObject bare = SheetNamed(book, "目次");
        QCOMPARE(TextAt(bare, "B9"), QStringLiteral("インデックス"));
        QCOMPARE(TextAt(bare, "B10"), QStringLiteral("インデックス名"));
        QCOMPARE(TextAt(bare, "B12"), QStringLiteral("リレーションシップ"));
        QCOMPARE(TextAt(bare, "B13"), QStringLiteral("リレーションシップ名"));
        QVERIFY(EmptyAt(bare, "B14"));
        QCOMPARE(TextAt(bare, "R7"), QStringLiteral("いいえ"));

        // Every property kind, in the field's row; the table's own facts
        // beside the title block.
        const QJsonObject customers = SheetNamed(book, "顧客");
        QCOMPARE(RowTexts(customers, 2, 10, 11), (QStringList{"テーブルの説明", "得意先の一覧"}));
        QCOMPARE(RowTexts(customers, 3, 10, 11), (QStringList{"入力規則", "[支店]>0"}));
        QCOMPARE(RowTexts(customers, 4, 10, 11), (QStringList{"エラーメッセージ", "支店は正の数"}));
        QCOMPARE(RowTexts(customers, 7, 8, 18),
                 (QStringList{"数値型 (長整数型)", "はい", "", "1", "", "", "支店番号", "", "", "",
                              "いいえ"}));
        QCOMPARE(TextAt(customers, "H8"), QStringLiteral("オートナンバー型"));
        QCOMPARE(RowTexts(customers, 9, 8, 18),
                 (QStringList{"テキスト型", "", "いいえ", "", "Len([氏名])>1", "二文字以上", "",
                              "@", "CCCC", "", "いいえ"}));
        QCOMPARE(TextAt(customers, "H10"), QStringLiteral("ハイパーリンク型"));
        QCOMPARE(RowTexts(customers, 11, 8, 18).value(0),
                 QStringLiteral("オートナンバー型 (レプリケーション ID 型)"));
        QCOMPARE(TextAt(customers, "R11"), QStringLiteral("はい (重複なし)"));
        QCOMPARE(TextAt(customers, "H12"), QStringLiteral("数値型 (十進型)"));
        QCOMPARE(ValueAt(customers, "Q12", "number").toDouble(), 2.0);
        QCOMPARE(BlockRows(customers, "インデックス", 13),
                 (QStringList{"PrimaryKey|支店 昇順\n番号 昇順|はい / はい / いいえ",
                              "氏名順|氏名 昇順\n支店 降順|いいえ / いいえ / はい",
                              "識別子|識別子 昇順|いいえ / はい / いいえ"}));
        // A relationship of two fields is one row; the related table's
        // sheet lists each relationship it is on, either side.
        QCOMPARE(
            BlockRows(customers, "リレーションシップ", 13),
            QStringList{"顧客注文|顧客 (支店, 番号)\n→ 注文 (客支店, 客番号)|一対多\n"
                        "参照整合性: はい\nフィールドの連鎖更新: はい\nレコードの連鎖削除: はい\n"
                        "結合の種類: 左外部結合"});
        const QStringList ofOrders = BlockRows(SheetNamed(book, "注文"), "リレーションシップ", 7);
        QCOMPARE(ofOrders.size(), 3);
        QVERIFY(ofOrders[2].startsWith(
            "注文担当者|注文 (注文ID)\n→ 担当者 (ID)|一対一\n参照整合性: はい\n"));
        QVERIFY(ofOrders[1].startsWith(
            "担当者注文|担当者 (ID)\n→ 注文 (担当)|一対多\n参照整合性: いいえ\n"));
        QVERIFY(ofOrders[1].endsWith("結合の種類: 右外部結合"));
    }
};

QTEST_GUILESS_MAIN(TestDetails)
#include "tst_details.moc"
