#include "common/Failure.h"
#include "common/OleDateTime.h"
#include "database/Catalog.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/clsOutputTableDesign.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/CellRange.h"
#include "spreadsheet/FilePresenter.h"
#include "support/Failures.h"
#include "support/FakeCatalog.h"
#include "support/Fixtures.h"
#include "support/GuardedFifo.h"
#include "support/MdbSchemaComments.h"
#include "support/SheetCells.h"
#include "support/Tools.h"
#include "support/UserTables.h"
#include "support/WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using spreadsheet::Workbook;

namespace {

// What a run left: the generator's failure (empty when it succeeded), its
// kind and reason, and the workbook handed over, as the independent reader
// sees it.
struct Run {
    QString failure;
    std::optional<FailureKind> kind;
    QString reason;
    QJsonObject workbook;
    QJsonObject sheet(int i) const { return SheetAt(workbook, i); }
    QStringList sheetNames() const { return SheetNames(workbook); }
};

ColumnDesign Text(const QString &name, int size = 50) {
    return {name, 202, size};
}
ColumnDesign Long(const QString &name) {
    return {name, 3, 0};
}

// The frame every table's sheet must carry: the title block B2:C4 with a
// medium frame, hairlines between its rows and a thin line between labels
// and values; the header B6:F6 framed medium with thin lines between its
// columns; the data block B7:F(6+n) likewise, with hairlines between rows.
QString ExpectedBorders(int row, int column, int fields) {
    auto edge = [](bool outer, const char *inner) {
        return QString::fromLatin1(outer ? "medium" : inner);
    };
    QString top, bottom, left, right;
    if (row >= 2 && row <= 4) {
        top = edge(row == 2, "hair");
        bottom = edge(row == 4, "hair");
        left = edge(column == 2, "thin");
        right = edge(column == 3, "thin");
    } else if (row == 6) {
        top = bottom = "medium";
        left = edge(column == 2, "thin");
        right = edge(column == 6, "thin");
    } else {
        top = edge(row == 7, "hair");
        bottom = edge(row == 6 + fields, "hair");
        left = edge(column == 2, "thin");
        right = edge(column == 6, "thin");
    }
    return QStringLiteral("top:%1 bottom:%2 left:%3 right:%4").arg(top, bottom, left, right);
}

// Checks one table's sheet against its frame, fills, bold cells, column
// widths and row heights (none: every row keeps the default); fields is the
// number of field rows.
void CheckLayout(const QJsonObject &sheet, int fields) {
    QStringList expectedCells;
    for (int row = 2; row <= 4; ++row)
        expectedCells << A1(2, row) << A1(3, row);
    for (int row = 6; row <= 6 + fields; ++row)
        for (int column = 2; column <= 6; ++column)
            expectedCells << A1(column, row);
    QStringList cells = sheet.value("cells").toObject().keys();
    std::sort(cells.begin(), cells.end());
    std::sort(expectedCells.begin(), expectedCells.end());
    QCOMPARE(cells, expectedCells);

    for (const QString &address : expectedCells) {
        const int column = address[0].unicode() - u'A' + 1;
        const int row = address.mid(1).toInt();
        QCOMPARE(BordersAt(sheet, address), ExpectedBorders(row, column, fields));
        const bool label = (column == 2 && row <= 4) || row == 6;
        QCOMPARE(CellAt(sheet, address).value("bold").toBool(), label);
        QCOMPARE(CellAt(sheet, address).value("fill").toString(),
                 label ? QString("gray125") : QString());
    }

    QCOMPARE(TextAt(sheet, "B2"), QStringLiteral("テーブル名称"));
    QCOMPARE(TextAt(sheet, "B3"), QStringLiteral("更新日時"));
    QCOMPARE(TextAt(sheet, "B4"), QStringLiteral("作成日時"));
    const QStringList header = {"フィールド名", "データ型", "サイズ", "キー", "説明"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(TextAt(sheet, A1(2 + i, 6)), header[i]);
    for (int row = 7; row <= 6 + fields; ++row)
        QVERIFY(EmptyAt(sheet, A1(6, row)));

    const QJsonObject widths = sheet.value("widths").toObject();
    const QList<double> expected = {1.83, 14.75, 15, 5.48, 6.5, 36.75, 1.83};
    QCOMPARE(widths.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY(ReadsBackAsWidth(widths.value(QString(QChar(u'A' + i))).toDouble(), expected[i]));
    QCOMPARE(sheet.value("heights").toObject(), QJsonObject());
}

} // namespace

class TestOutputTableDesign : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    // Every run's workbook goes to a file of its own: run.xlsx, run-2.xlsx...
    const std::shared_ptr<spreadsheet::FilePresenter> presenter_ =
        std::make_shared<spreadsheet::FilePresenter>(dir_.filePath("run.xlsx"));
    const Services services_ = Services().presentingTo(presenter_);

    Run make(clsOutputTableDesign &generator) {
        const qsizetype before = presenter_->written().size();
        Run run;
        if (const auto failure = FailureOf([&] { generator.Make(); })) {
            run.failure = failure->message();
            run.kind = failure->kind();
            run.reason = failure->reason();
        }
        if (presenter_->written().size() != before + 1)
            qWarning("no workbook was handed over");
        else
            run.workbook = ReadWorkbook(presenter_->written().last());
        return run;
    }

    Run makeTables(const QString &database, const QStringList &tables, bool descriptions = false) {
        clsOutputTableDesign generator(services_);
        generator.setWriteDescriptions(descriptions);
        for (const QString &t : tables)
            generator.AddTable(t);
        generator.setConnectionString(mdlADO::BuildConnectionString(database));
        return make(generator);
    }

    // A folder holding a data type name file with these rows, or none.
    QString namesFolder(const QString &name, const QByteArray &rows, bool withEnumName = true) {
        const QString folder = dir_.filePath(name);
        QDir().mkpath(folder);
        if (rows.isNull())
            return folder;
        QFile file(folder + "/DataTypeEnum.xml");
        file.open(QIODevice::WriteOnly);
        file.write("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                   "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
                   "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
                   "<s:Schema id='RowsetSchema'><s:ElementType name='row'>"
                   "<s:AttributeType name='ID'><s:datatype dt:type='int'/></s:AttributeType>");
        if (withEnumName)
            file.write("<s:AttributeType name='EnumName'><s:datatype "
                       "dt:type='string'/></s:AttributeType>");
        file.write("</s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>");
        return folder;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void members() {
        clsOutputTableDesign generator(services_);
        QCOMPARE(generator.ConnectionString(), QString());
        QCOMPARE(generator.TableCount(), QStringLiteral("0"));
        QCOMPARE(generator.Error(), QStringLiteral("0"));
        generator.AddTable("a");
        generator.AddTable("b");
        generator.AddTable("a");
        QCOMPARE(generator.TableCount(), QStringLiteral("3"));
        generator.ClearTables();
        QCOMPARE(generator.TableCount(), QStringLiteral("0"));
        generator.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;");
        QCOMPARE(generator.ConnectionString(),
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;"));
        make(generator); // fails: no such database
        QCOMPARE(generator.Error(), QStringLiteral("0"));
        QCOMPARE(generator.ConnectionString(),
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;"));
    }

    // Every sheet of a real database, read back by an independent reader.
    void fixtureWorkbooks_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("marks"); // "table/field=mark", the rest unmarked
        QTest::newRow("nwind.mdb") << "nwind.mdb"
                                   << QStringList{"Categories/CategoryID=Primary",
                                                  "Customers/CustomerID=Primary",
                                                  "Employees/EmployeeID=Primary",
                                                  "Order Details/OrderID=Primary",
                                                  "Order Details/ProductID=ProductsOrder Details",
                                                  "Orders/OrderID=Primary",
                                                  "Orders/CustomerID=CustomersOrders",
                                                  "Orders/EmployeeID=EmployeesOrders",
                                                  "Orders/ShipVia=ShippersOrders",
                                                  "Products/ProductID=Primary",
                                                  "Products/SupplierID=SuppliersProducts",
                                                  "Products/CategoryID=CategoriesProducts",
                                                  "Shippers/ShipperID=Primary",
                                                  "Suppliers/SupplierID=Primary",
                                                  "Umsätze/OrderID=Primary"};
        QTest::newRow("testV2000.mdb") << "testV2000.mdb"
                                       << QStringList{"Table1/A=Primary", "Table2/column1=Primary",
                                                      "Table3/a=Primary", "Table4/data=Primary"};
    }
    void fixtureWorkbooks() {
        REQUIRE_FIXTURES();
        QFETCH(QString, fixture);
        QFETCH(QStringList, marks);
        const QString path = Fixtures::path(fixture);
        const bool twoBytesPerCharacter = Fixtures::formatOf(path) >= 1;
        static const QHash<QString, QString> typeNames = {
            {"boolean", "adBoolean"},   {"byte", "adUnsignedTinyInt"}, {"integer", "adSmallInt"},
            {"long", "adInteger"},      {"currency", "adCurrency"},    {"float", "adSingle"},
            {"double", "adDouble"},     {"datetime", "adDate"},        {"memo", "adLongVarWChar"},
            {"ole", "adLongVarBinary"}, {"repid", "adGUID"},           {"numeric", "adNumeric"}};

        const QStringList tables = UserTables(services_.readers, path);
        const Run run = makeTables(path, tables);
        QCOMPARE(run.failure, QString());
        QCOMPARE(run.sheetNames(), tables);
        QCOMPARE(run.workbook.value("active").toInt(), tables.size() - 1);

        QHash<QString, QJsonObject> expected;
        for (const QJsonValue &t : Fixtures::expected(fixture).value("tables").toArray())
            expected.insert(t.toObject().value("name").toString(), t.toObject());
        for (int i = 0; i < tables.size(); ++i) {
            const QJsonObject sheet = run.sheet(i);
            const QJsonObject want = expected.value(tables[i]);
            const QJsonArray columns = want.value("columns").toArray();
            CheckLayout(sheet, columns.size());
            QCOMPARE(TextAt(sheet, "C2"), tables[i]);
            QCOMPARE(DateAt(sheet, "C3"), want.value("modified").toString().replace(' ', 'T'));
            QCOMPARE(DateAt(sheet, "C4"), want.value("created").toString().replace(' ', 'T'));
            for (int f = 0; f < columns.size(); ++f) {
                const QJsonObject c = columns[f].toObject();
                const int row = 7 + f;
                const QString stored = c.value("type").toString();
                const QString name = c.value("name").toString();
                QCOMPARE(TextAt(sheet, A1(2, row)), name);
                const QString typeName =
                    stored == "text" ? (c.value("fixed").toBool() ? "adWChar" : "adVarWChar")
                                     : typeNames.value(stored);
                QCOMPARE(TextAt(sheet, A1(3, row)), typeName);
                const int size =
                    stored == "text" ? c.value("size").toInt() / (twoBytesPerCharacter ? 2 : 1) : 0;
                if (size == 0)
                    QVERIFY(EmptyAt(sheet, A1(4, row)));
                else
                    QCOMPARE(ValueAt(sheet, A1(4, row), "number").toInt(), size);
                const QString mark = marks.filter(QStringLiteral("%1/%2=").arg(tables[i], name))
                                         .value(0)
                                         .section('=', 1);
                QCOMPARE(TextAt(sheet, A1(5, row)), mark);
            }
        }
    }

    // With descriptions asked for, every field that has one in the database
    // (as mdbtools' mdb-schema finds them) has it in column F of its row,
    // wrapped; every other cell is as in the run without them.
    void fixtureDescriptions_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("described"); // fields with a description
        QTest::newRow("nwind.mdb") << "nwind.mdb" << 49;
        QTest::newRow("testV2000.mdb, none") << "testV2000.mdb" << 0;
    }
    void fixtureDescriptions() {
        REQUIRE_FIXTURES();
        QFETCH(QString, fixture);
        QFETCH(int, described);
        const QString path = Fixtures::path(fixture);
        const QStringList tables = UserTables(services_.readers, path);
        const Run without = makeTables(path, tables);
        const Run with = makeTables(path, tables, true);
        QCOMPARE(without.failure, QString());
        QCOMPARE(with.failure, QString());
        QCOMPARE(with.sheetNames(), without.sheetNames());
        QCOMPARE(with.workbook.value("active"), without.workbook.value("active"));

        int found = 0;
        for (int i = 0; i < tables.size(); ++i) {
            const QHash<QString, QString> peer = MdbSchemaColumnComments(path, tables[i]);
            QJsonObject expected = without.sheet(i).value("cells").toObject();
            int inTable = 0;
            for (int row = 7; expected.contains(A1(2, row)); ++row) {
                const QString name = TextAt(without.sheet(i), A1(2, row));
                const auto description = peer.constFind(name.toLower());
                if (description == peer.cend())
                    continue;
                ++inTable;
                QJsonObject cell = expected.value(A1(6, row)).toObject();
                cell.insert("value", QJsonObject{{"text", *description}});
                cell.insert("wrap", true);
                expected.insert(A1(6, row), cell);
            }
            QCOMPARE(inTable, peer.size()); // each description the peer found has its row
            found += inTable;
            QCOMPARE(with.sheet(i).value("cells").toObject(), expected);
            QCOMPARE(with.sheet(i).value("widths"), without.sheet(i).value("widths"));
        }
        QCOMPARE(found, described);
    }

    void keyMarks() {
        FakeTable keys{"Keys",
                       {Long("ID"),
                        Long("Id"),
                        Text("A"),
                        Text("B"),
                        Text("C"),
                        Text("D"),
                        Text("E"),
                        {"F", 203, 0}},
                       {{"PrimaryKey", {"A"}},
                        {"Key", {"B"}},
                        {"pkey", {"C"}},
                        {"KeyOrderKey", {"D"}},
                        {"KKeyey", {"E"}},
                        {"First", {"F"}},
                        {"Second", {"F"}},
                        {"IDKey", {"ID"}}}};
        FakeCatalog catalog(services_.readers, {keys});
        const Run run = makeTables(catalog.databasePath(), {"Keys"});
        QCOMPARE(run.failure, QString());
        const QJsonObject sheet = run.sheet(0);
        CheckLayout(sheet, 8);
        const QStringList marks = {"ID", "", "Primary", "", "pkey", "Order", "Key", "Second"};
        for (int i = 0; i < marks.size(); ++i)
            QCOMPARE(TextAt(sheet, A1(5, 7 + i)), marks[i]);
        QCOMPARE(TextAt(sheet, "C14"), QStringLiteral("adLongVarWChar"));
        QVERIFY(EmptyAt(sheet, "D14")); // size 0 stays empty
        QCOMPARE(ValueAt(sheet, "D13", "number").toInt(), 50);
        // Times as the catalog gives them.
        QCOMPARE(DateAt(sheet, "C3"), QStringLiteral("2023-03-16T18:00:00.000"));
        QCOMPARE(DateAt(sheet, "C4"), QStringLiteral("2023-03-15T06:00:00.000"));
    }

    // One table's sheet beyond its layout: sizes as numbers, the catalog's
    // times as dates in the built-in date-time format, to the millisecond,
    // also in the first two months of 1900, where the spreadsheet's serials
    // differ; the cells of the description column held without a value, and
    // the unlabelled cells without any fill.
    void tableSheetValues() {
        FakeTable table{
            "顧客マスタ", {Text("field1", 50), Text("field2", 100), Text("field3", 150)}, {}};
        table.modified =
            OleDateTime::fromDateTime(QDate(2024, 5, 2), QTime(18, 0, 5, 250)).serial();
        table.created = OleDateTime::fromDateTime(QDate(1900, 2, 28), QTime(6, 0)).serial();
        FakeCatalog catalog(services_.readers, {table});
        const Run run = makeTables(catalog.databasePath(), {"顧客マスタ"});
        QCOMPARE(run.failure, QString());
        const QJsonObject sheet = run.sheet(0);
        CheckLayout(sheet, 3);
        QCOMPARE(TextAt(sheet, "C2"), QStringLiteral("顧客マスタ"));
        QCOMPARE(ValueAt(sheet, "D7", "number").toDouble(), 50.0);
        QCOMPARE(ValueAt(sheet, "D9", "number").toDouble(), 150.0);
        QCOMPARE(DateAt(sheet, "C3"), QStringLiteral("2024-05-02T18:00:05.250"));
        QCOMPARE(CellAt(sheet, "C3").value("numberFormat").toString(),
                 QStringLiteral("m/d/yy h:mm"));
        QCOMPARE(DateAt(sheet, "C4"), QStringLiteral("1900-02-28T06:00:00.000"));
        QVERIFY(CellAt(sheet, "F7").value("value").isNull());
        for (const char *plain : {"C2", "C3", "B7", "F9"})
            QVERIFY2(CellAt(sheet, plain).value("fill").isNull(), plain);
    }

    void smallTables() {
        FakeCatalog catalog(services_.readers, {{"One", {Long("only")}, {}}, {"None", {}, {}}});
        const Run run = makeTables(catalog.databasePath(), {"One", "None"});
        QCOMPARE(run.failure, QString());
        CheckLayout(run.sheet(0), 1); // one row: no inner horizontal line
        CheckLayout(run.sheet(1), 0); // header only, no data block
    }

    void typeNames() {
        FakeCatalog catalog(services_.readers,
                            {{"T", {Long("a"), {"b", 11, 0}, Text("c"), {"d", 7, 0}}, {}}});
        clsOutputTableDesign generator(services_);
        generator.AddTable("T");
        generator.setConnectionString(mdlADO::BuildConnectionString(catalog.databasePath()));

        generator.setApplicationPath(
            namesFolder("names", "<z:row ID='3' EnumName='X'/><z:row ID='202' "
                                 "EnumName='adVarWChar'/><z:row ID='3' EnumName='Y'/>"
                                 "<z:row ID='7' EnumName=''/>"));
        Run run = make(generator);
        QCOMPARE(run.failure, QString());
        QCOMPARE(TextAt(run.sheet(0), "C7"), QStringLiteral("X"));          // the first of two rows
        QCOMPARE(TextAt(run.sheet(0), "C8"), QStringLiteral("#Error#"));    // no row for 11
        QCOMPARE(TextAt(run.sheet(0), "C9"), QStringLiteral("adVarWChar")); // and the next is named
        QVERIFY(EmptyAt(run.sheet(0), "C10"));                              // an empty name

        generator.setApplicationPath(namesFolder("empty", ""));
        run = make(generator);
        QCOMPARE(run.failure, QString());
        for (int row = 7; row <= 10; ++row)
            QCOMPARE(TextAt(run.sheet(0), A1(3, row)), QStringLiteral("#Error#"));
    }

    // Without the name file no field can be named: the run stops there and
    // says which file it missed; what was written stays.
    void nameFileMissing_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("fields");
        QTest::addColumn<bool>("fifo"); // a FIFO without a writer in its place
        QTest::newRow("missing") << namesFolder("missing", QByteArray()) << 2 << false;
        QTest::newRow("missing, table without fields")
            << namesFolder("missing2", QByteArray()) << 0 << false;
        QTest::newRow("without EnumName")
            << namesFolder("noname", "<z:row ID='3'/>", false) << 2 << false;
        QTest::newRow("a FIFO") << namesFolder("fifo", QByteArray()) << 2 << true;
        QTest::newRow("more namespaces than a name file has")
            << namesFolder("namespaces", "<z:row ID='3' EnumName='X'/>" +
                                             QByteArray("<n xmlns:p='u'/>").repeated(29))
            << 2 << false;
    }
    void nameFileMissing() {
        QFETCH(QString, folder);
        QFETCH(int, fields);
        QFETCH(bool, fifo);
        std::optional<GuardedFifo> namesFifo;
        if (fifo) {
            namesFifo.emplace(folder + "/DataTypeEnum.xml");
            QVERIFY(namesFifo->isValid());
        }
        FakeTable table{"T", {}, {}};
        for (int i = 0; i < fields; ++i)
            table.columns << Long(QStringLiteral("f%1").arg(i));
        FakeCatalog catalog(services_.readers, {table});
        clsOutputTableDesign generator(services_);
        generator.AddTable("T");
        generator.setConnectionString(mdlADO::BuildConnectionString(catalog.databasePath()));
        generator.setApplicationPath(folder);
        const Run run = make(generator);
        QVERIFY2(!namesFifo || !namesFifo->releasedReader(),
                 "the run waited for a writer to the FIFO");
        QVERIFY2(run.failure.contains(QDir::toNativeSeparators(folder + "/DataTypeEnum.xml")),
                 qPrintable(run.failure));
        QCOMPARE(run.kind, FailureKind::NameFile);
        QCOMPARE(run.sheetNames(), QStringList{"T"});
        QCOMPARE(TextAt(run.sheet(0), "C2"), QStringLiteral("T"));
        QCOMPARE(TextAt(run.sheet(0), "F6"), QStringLiteral("説明"));
        QVERIFY(EmptyAt(run.sheet(0), "B7"));
    }

    void sheetsInListOrder_data() {
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QStringList>("sheets");
        QTest::newRow("no table") << QStringList() << QStringList{"Sheet1"};
        QTest::newRow("one table") << QStringList{"b"} << QStringList{"b"};
        QTest::newRow("three tables") << QStringList{"c", "a", "b"} << QStringList{"c", "a", "b"};
        QTest::newRow("Japanese, a space") << QStringList{"顧客マスタ", "Order Details"}
                                           << QStringList{"顧客マスタ", "Order Details"};
    }
    void sheetsInListOrder() {
        QFETCH(QStringList, tables);
        QFETCH(QStringList, sheets);
        FakeCatalog catalog(services_.readers, {{"a", {Long("x")}, {}},
                                                {"b", {Long("y")}, {}},
                                                {"c", {Long("z")}, {}},
                                                {"顧客マスタ", {Long("x")}, {}},
                                                {"Order Details", {Long("x")}, {}}});
        const Run run = makeTables(catalog.databasePath(), tables);
        QCOMPARE(run.failure, QString());
        QCOMPARE(run.sheetNames(), sheets);
        QCOMPARE(run.workbook.value("active").toInt(), sheets.size() - 1);
        QCOMPARE(run.workbook.value("contentType").toString(),
                 QStringLiteral(
                     "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"));
        for (int i = 0; i < tables.size(); ++i)
            QCOMPARE(TextAt(run.sheet(i), "C2"), tables[i]);
        if (tables.isEmpty())
            QVERIFY(run.sheet(0).value("cells").toObject().isEmpty());
    }

    // A failure ends the run; the workbook written so far reaches the user.
    void makeFailures_data() {
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("message"); // a part of it
        QTest::addColumn<FailureKind>("kind");
        QTest::addColumn<QStringList>("sheets");
        const QString tooLong(32, u'x');
        QTest::newRow("32-character name")
            << QStringList{"Good", tooLong} << true << tooLong << FailureKind::RefusedName
            << QStringList{"Good", "Sheet4"};
        QTest::newRow("name added twice")
            << QStringList{"Good", "Good"} << true << "「Good」は既に使用"
            << FailureKind::RefusedName << QStringList{"Good", "Sheet4"};
        QTest::newRow("name in other case")
            << QStringList{"Good", "GOOD"} << true << "「GOOD」は既に使用"
            << FailureKind::RefusedName << QStringList{"Good", "Sheet4"};
        QTest::newRow("reserved name") << QStringList{"History"} << true << "「History」"
                                       << FailureKind::RefusedName << QStringList{"Sheet1"};
        QTest::newRow("missing table")
            << QStringList{"Good", "Nowhere"} << true << "「Nowhere」" << FailureKind::MissingTable
            << QStringList{"Good", "Nowhere"};
        // The generator's own open fails, and says why: no connection string
        // names a file.
        QTest::newRow("connection string never set")
            << QStringList{"Good"} << false << "接続されていません" << FailureKind::Internal
            << QStringList{"Sheet1"};
    }
    void makeFailures() {
        QFETCH(QStringList, tables);
        QFETCH(bool, connected);
        QFETCH(QString, message);
        QFETCH(FailureKind, kind);
        QFETCH(QStringList, sheets);
        FakeCatalog catalog(services_.readers,
                            {{"Good", {Long("id"), Text("name")}, {{"PrimaryKey", {"id"}}}}});
        clsOutputTableDesign generator(services_);
        for (const QString &t : tables)
            generator.AddTable(t);
        if (connected)
            generator.setConnectionString(mdlADO::BuildConnectionString(catalog.databasePath()));
        const Run run = make(generator);
        QVERIFY2(run.failure.contains(message), qPrintable(run.failure));
        QCOMPARE(run.kind, kind);
        // A refused name says where such a table can be documented.
        QCOMPARE(run.failure.contains("詳細な定義書を出力すると"),
                 kind == FailureKind::RefusedName);
        if (!connected)
            QVERIFY2(run.reason.startsWith("接続文字列を解釈できません"), qPrintable(run.reason));
        QCOMPARE(run.sheetNames(), sheets);
        if (sheets.first() == "Good") {
            CheckLayout(run.sheet(0), 2); // the first sheet is complete
            QCOMPARE(TextAt(run.sheet(0), "E7"), QStringLiteral("Primary"));
        }
        for (int i = 1; i < sheets.size(); ++i)
            QVERIFY(run.sheet(i).value("cells").toObject().isEmpty());
        QCOMPARE(generator.Error(), QStringLiteral("0"));
    }

    // The command-line driver: a plain workbook at the given path, also after
    // a failure, and exit statuses that tell the two kinds of failure apart.
    void driverTool() {
        REQUIRE_FIXTURES();
        const QString tool = "quillmere-make-workbook";
        const QString output = dir_.filePath("driver.xlsx");
        QCOMPARE(RunTool(tool, {Fixtures::path("nwind.mdb"), output}, 60000).exitCode, 0);
        QJsonObject book = ReadWorkbook(output);
        QCOMPARE(SheetNames(book).size(), 9);
        QVERIFY(book.value("contentType").toString().contains("sheet.main"));

        QFile::remove(output);
        const ToolRun run =
            RunTool(tool, {Fixtures::path("nwind.mdb"), output, "Orders", "Nowhere"}, 60000);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(QString::fromUtf8(run.said).contains("Nowhere"));
        QCOMPARE(SheetNames(ReadWorkbook(output)).size(), 2);

        QFile::remove(output);
        QCOMPARE(RunTool(tool, {Fixtures::path("password.mdb"), output}, 60000).exitCode, 2);
        QVERIFY(!QFile::exists(output));
    }

    // The sheet writers at other start cells, straight on the workbook model.
    void otherStartCell() {
        FakeCatalog catalog(services_.readers, {{"T", {Long("a"), Text("b")}, {}}});
        Catalog cat;
        cat.setActiveConnection(
            mdlADO::OpenAccessConnection(services_.readers, catalog.databasePath()));
        auto app = spreadsheet::Application::Create(nullptr);
        auto sheet = app->Workbooks().Add()->ActiveSheet();
        clsOutputTableDesign generator(services_);
        generator.OutputFieldList(*sheet, cat.Tables().Item("T"), 4, 10);
        auto text = [&](int row, int column) {
            const spreadsheet::Cell *cell = sheet->cellAt(row, column);
            return !cell || !std::holds_alternative<QString>(cell->value)
                       ? QString()
                       : std::get<QString>(cell->value);
        };
        QCOMPARE(text(10, 4), QStringLiteral("テーブル名称"));
        QCOMPARE(text(10, 5), QStringLiteral("T"));
        QCOMPARE(text(12, 4), QStringLiteral("作成日時"));
        QCOMPARE(text(14, 8), QStringLiteral("説明"));
        QCOMPARE(text(16, 4), QStringLiteral("b"));
        QVERIFY(sheet->lineAbove(10, 4) && sheet->lineLeftOf(12, 6)); // the frame of D10:E12
        QCOMPARE(sheet->columnWidths().size(), size_t(7));            // still A to G
        QCOMPARE(sheet->columnWidths().at(2), 14.75);
    }

    // Rows are 16-bit: a sum beyond 32767 fails before its cell is written.
    void overflow_data() {
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("lastRowWritten"); // the lowest row holding a value
        QTest::newRow("label row past the limit") << 32766 << 1 << 32767;
        QTest::newRow("title fits, header does not") << 32765 << 1 << 32767;
        QTest::newRow("32764") << 32764 << 1 << 32766;
        QTest::newRow("header on the last row, no fields") << 32763 << 0 << 32767;
        QTest::newRow("header on the last row, fields") << 32763 << 3 << 32767;
        QTest::newRow("fields run past the limit") << 32000 << 800 << 32767;
    }
    void overflow() {
        QFETCH(int, startRow);
        QFETCH(int, fields);
        QFETCH(int, lastRowWritten);
        FakeTable table{"T", {}, {}};
        for (int i = 0; i < fields; ++i)
            table.columns << Long(QStringLiteral("f%1").arg(i));
        FakeCatalog catalog(services_.readers, {table});
        Catalog cat;
        cat.setActiveConnection(
            mdlADO::OpenAccessConnection(services_.readers, catalog.databasePath()));
        auto app = spreadsheet::Application::Create(nullptr);
        auto sheet = app->Workbooks().Add()->ActiveSheet();
        clsOutputTableDesign generator(services_);
        try {
            generator.OutputFieldList(*sheet, cat.Tables().Item("T"), 2,
                                      static_cast<qint16>(startRow));
            QFAIL("no overflow");
        } catch (const Failure &e) {
            QVERIFY2(e.message().contains("32767"), qPrintable(e.message()));
            QCOMPARE(e.kind(), FailureKind::Internal);
        }
        int last = 0;
        for (const auto &[at, cell] : sheet->cellsInOrder())
            if (!std::holds_alternative<std::monostate>(cell->value))
                last = std::max(last, at.first);
        QCOMPARE(last, lastRowWritten);
        if (startRow == 32000) // the data block's last row is counted in 32 bits
            QVERIFY(sheet->lineAbove(32000 + 4 + 800 + 1, 2));
    }
};

QTEST_GUILESS_MAIN(TestOutputTableDesign)
#include "tst_generator.moc"
