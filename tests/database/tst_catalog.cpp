#include "common/Failure.h"
#include "common/Version.h"
#include "database/Catalog.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "support/ChildProcesses.h"
#include "support/Failures.h"
#include "support/FakeCatalog.h"
#include "support/Fixtures.h"
#include "support/Tools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList FixturesWithExpectations = {
    "nwind.mdb",          "testV1997.mdb",        "testV2000.mdb",         "indexTestV2000.mdb",
    "queryTestV2000.mdb", "DateTestDatabase.mdb", "linkerTestV2007.accdb", "adox_jet4.mdb"};

std::shared_ptr<Connection> OpenOrFail(const std::shared_ptr<Readers> &readers,
                                       const QString &path) {
    auto connection = mdlADO::OpenAccessConnection(readers, path);
    if (!connection)
        qWarning("cannot open %s", qUtf8Printable(path));
    return connection;
}

// The ADO type code an independent reader's stored type stands for.
int AdoTypeOf(const QString &stored, bool fixed) {
    static const QHash<QString, int> codes = {{"boolean", 11}, {"byte", 17},    {"integer", 2},
                                              {"long", 3},     {"currency", 6}, {"float", 4},
                                              {"double", 5},   {"datetime", 7}, {"ole", 205},
                                              {"memo", 203},   {"repid", 72},   {"numeric", 131}};
    if (stored == "text")
        return fixed ? 130 : 202;
    if (stored == "binary")
        return fixed ? 128 : 204;
    return codes.value(stored, -1);
}

// "1995-09-13 10:51:34.420" as the date and the time to the millisecond.
QDateTime ParseExpectedTime(const QString &text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

// The same time rounded to the nearest second, halves up, as list text.
QString RoundedText(const QDateTime &t) {
    return t.addMSecs(500).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString DescribeKeys(const Table &table) {
    QStringList keys;
    for (const Key &k : table.Keys()) {
        QStringList columns;
        for (const KeyColumn &c : k.Columns())
            columns << c.Name();
        keys << k.Name() + "(" + columns.join(",") + ")";
    }
    return keys.join(";");
}

int RunningReaders() {
    return static_cast<int>(ChildProcesses(QStringLiteral("quillmere-reader")).size());
}

} // namespace

class TestCatalog : public QObject {
    Q_OBJECT

    const Services services_;

private slots:
    void initTestCase() { REQUIRE_FIXTURES(); }

    void userTablesMatchExpected_data() {
        QTest::addColumn<QString>("fixture");
        for (const QString &f : FixturesWithExpectations)
            QTest::newRow(qPrintable(f)) << f;
    }
    void userTablesMatchExpected() {
        QFETCH(QString, fixture);
        const QString path = Fixtures::path(fixture);
        const QJsonObject expected = Fixtures::expected(fixture);
        QVERIFY(!expected.isEmpty());
        const bool twoBytesPerCharacter = Fixtures::formatOf(path) >= 1;

        const auto connection = OpenOrFail(services_.readers, path);
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);

        QHash<QString, QJsonObject> expectedTables;
        for (const QJsonValue &t : expected.value("tables").toArray())
            expectedTables.insert(t.toObject().value("name").toString(), t.toObject());

        QStringList listed;
        for (const Table *user : catalog.UserTables()) {
            const Table &table = *user;
            listed << table.Name();
            QVERIFY2(expectedTables.contains(table.Name()), qPrintable(table.Name()));
            const QJsonObject want = expectedTables.value(table.Name());

            const QDateTime created = ParseExpectedTime(want.value("created").toString());
            const QDateTime modified = ParseExpectedTime(want.value("modified").toString());
            QCOMPARE(table.DateCreated().date(false), created.date());
            QCOMPARE(table.DateCreated().time(false), created.time());
            QCOMPARE(table.DateModified().date(false), modified.date());
            QCOMPARE(table.DateModified().time(false), modified.time());
            QCOMPARE(table.DateCreated().toText(), RoundedText(created));
            QCOMPARE(table.DateModified().toText(), RoundedText(modified));

            const QJsonArray wantColumns = want.value("columns").toArray();
            QCOMPARE(table.Columns().Count(), wantColumns.size());
            for (int i = 0; i < wantColumns.size(); ++i) {
                const QJsonObject c = wantColumns[i].toObject();
                const Column &got = table.Columns().Item(i);
                const QString stored = c.value("type").toString();
                const bool fixed = c.value("fixed").toBool();
                int size = 0;
                if (stored == "text")
                    size = c.value("size").toInt() / (twoBytesPerCharacter ? 2 : 1);
                else if (stored == "binary")
                    size = c.value("size").toInt();
                QCOMPARE(got.Name(), c.value("name").toString());
                QCOMPARE(got.Type(), AdoTypeOf(stored, fixed));
                QCOMPARE(got.DefinedSize(), size);
            }
        }
        QStringList wantNames = expectedTables.keys();
        std::sort(wantNames.begin(), wantNames.end());
        QStringList gotNames = listed;
        std::sort(gotNames.begin(), gotNames.end());
        QCOMPARE(gotNames, wantNames);
    }

    void catalogOrderIsByNameWithoutCase_data() { userTablesMatchExpected_data(); }
    void catalogOrderIsByNameWithoutCase() {
        QFETCH(QString, fixture);
        const auto connection = OpenOrFail(services_.readers, Fixtures::path(fixture));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QVERIFY(catalog.Tables().Count() > 0); // system tables at least
        for (int i = 1; i < catalog.Tables().Count(); ++i) {
            const QString a = catalog.Tables().Item(i - 1).Name().toLower();
            const QString b = catalog.Tables().Item(i).Name().toLower();
            QVERIFY2(a <= b, qPrintable(a + " / " + b));
        }
    }

    // Queries, system tables, internal tables and links are listed, but never
    // as "TABLE".
    void otherEntries_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("query") << "nwind.mdb"
                               << "Invoices"
                               << "VIEW";
        QTest::newRow("action query") << "queryTestV2000.mdb"
                                      << "UpdateQuery"
                                      << "VIEW";
        QTest::newRow("catalog table") << "nwind.mdb"
                                       << "MSysObjects"
                                       << "SYSTEM TABLE";
        QTest::newRow("hidden system flag") << "nwind.mdb"
                                            << "MSysModules"
                                            << "SYSTEM TABLE";
        QTest::newRow("access objects") << "indexTestV2000.mdb"
                                        << "MSysAccessObjects"
                                        << "SYSTEM TABLE";
        QTest::newRow("internal data table") << "DateTestDatabase.mdb"
                                             << "f_75A72A8786B149369D90EB962DAB8A2C_Data"
                                             << "SYSTEM TABLE";
        QTest::newRow("linked table") << "linkerTestV2007.accdb"
                                      << "Table2"
                                      << "LINK";
    }
    void otherEntries() {
        QFETCH(QString, fixture);
        QFETCH(QString, name);
        QFETCH(QString, type);
        const auto connection = OpenOrFail(services_.readers, Fixtures::path(fixture));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QCOMPARE(catalog.Tables().Item(name).Name(), name);
        QCOMPARE(catalog.Tables().Item(name).Type(), type);
    }

    void keys_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("keys");
        QTest::newRow("two foreign keys beside a compound primary key")
            << "nwind.mdb"
            << "Order Details"
            << "OrdersOrder Details(OrderID);PrimaryKey(OrderID,ProductID);ProductsOrder "
               "Details(ProductID)";
        QTest::newRow("referenced side has no key of its own")
            << "nwind.mdb"
            << "Orders"
            << "CustomersOrders(CustomerID);EmployeesOrders(EmployeeID);PrimaryKey(OrderID);"
               "ShippersOrders(ShipVia)";
        QTest::newRow("primary key only") << "nwind.mdb"
                                          << "Categories"
                                          << "PrimaryKey(CategoryID)";
        QTest::newRow("key after a deleted column")
            << "indexTestV2000.mdb"
            << "Table1"
            << "PrimaryKey(id);Table2Table1(otherfk1);Table3Table1(otherfk2)";
        QTest::newRow("jet 3") << "testV1997.mdb"
                               << "Table4"
                               << "PrimaryKey(data)";
        // Column numbers in the file that differ from the column positions.
        QTest::newRow("numbers shifted, jet 3") << "nwind.mdb"
                                                << "Suppliers"
                                                << "PrimaryKey(SupplierID)";
        QTest::newRow("numbers shifted, jet 4") << "testV2000.mdb"
                                                << "Table1"
                                                << "PrimaryKey(A)";
        QTest::newRow("not enforced relationship gives no key") << "linkerTestV2007.accdb"
                                                                << "Table1"
                                                                << "PrimaryKey(ID)";
        QTest::newRow("no keys") << "DateTestDatabase.mdb"
                                 << "DateTest"
                                 << "";
    }
    void keys() {
        QFETCH(QString, fixture);
        QFETCH(QString, table);
        QFETCH(QString, keys);
        const auto connection = OpenOrFail(services_.readers, Fixtures::path(fixture));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QCOMPARE(DescribeKeys(catalog.Tables().Item(table)), keys);
    }

    void databaseWithoutUserTables() {
        const auto connection = OpenOrFail(services_.readers, Fixtures::path("adox_jet4.mdb"));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        for (const Table &t : catalog.Tables())
            QVERIFY2(t.Type() != QLatin1String("TABLE"), qPrintable(t.Name()));
    }

    void passwordProtectedDoesNotOpen() {
        QVERIFY(!mdlADO::OpenAccessConnection(services_.readers, Fixtures::path("password.mdb")));
    }

    void itemByName() {
        const auto connection = OpenOrFail(services_.readers, Fixtures::path("nwind.mdb"));
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QCOMPARE(catalog.Tables().Item("Order Details").Name(), QStringLiteral("Order Details"));
        QCOMPARE(catalog.Tables().Item("ORDER details").Name(), QStringLiteral("Order Details"));
        QCOMPARE(catalog.Tables().Item("UMSÄTZE").Name(), QStringLiteral("Umsätze"));
        try {
            catalog.Tables().Item("Nowhere");
            QFAIL("a missing table was found");
        } catch (const Failure &e) {
            QVERIFY(e.message().contains("Nowhere"));
            QCOMPARE(e.kind(), FailureKind::MissingTable);
        }
    }

    void catalogWithoutConnectionFails() {
        Catalog catalog;
        QVERIFY_THROWS_EXCEPTION(Failure, catalog.setActiveConnection(nullptr));
        QVERIFY_THROWS_EXCEPTION(Failure, catalog.Tables());
    }

    // Designs asked ahead in the announced order are given to the table they
    // belong to, also when the tables are read in another order after all.
    void readingAhead() {
        QList<FakeTable> tables;
        for (int i = 1; i <= 7; ++i)
            tables << FakeTable{
                QStringLiteral("T%1").arg(i), {{QStringLiteral("c%1").arg(i), 3, 0}}, {}};
        FakeCatalog fake(services_.readers, tables);
        Catalog catalog;
        catalog.setActiveConnection(
            mdlADO::OpenAccessConnection(services_.readers, fake.databasePath()));
        catalog.willRead({"T1", "T2", "T3", "T4", "T5", "T6", "Nowhere", "T7"});
        for (int i : {1, 2, 5, 3, 7, 6, 4})
            QCOMPARE(catalog.Tables().Item(QStringLiteral("T%1").arg(i)).Columns().Item(0).Name(),
                     QStringLiteral("c%1").arg(i));
    }

    // The reader lives exactly as long as the connection and its catalog.
    void releasingTheConnectionEndsTheReader() {
        QCOMPARE(RunningReaders(), 0);
        {
            auto connection = OpenOrFail(services_.readers, Fixtures::path("testV2000.mdb"));
            Catalog catalog;
            catalog.setActiveConnection(connection);
            QCOMPARE(catalog.Tables().Item("Table1").Columns().Count(), 9);
            QCOMPARE(RunningReaders(), 1);
        }
        QCOMPARE(RunningReaders(), 0);
    }

    // The command-line dump lists what the catalog holds, and tells a failed
    // open by its exit status and why.
    void dumpTool() {
        const ToolRun dump = RunTool("quillmere-catalog-dump", {Fixtures::path("testV2000.mdb")});
        QCOMPARE(dump.exitCode, 0);
        const QJsonArray tables =
            QJsonDocument::fromJson(dump.out).object().value("tables").toArray();
        QStringList userTables;
        for (const QJsonValue &t : tables)
            if (t.toObject().value("type").toString() == "TABLE") {
                userTables << t.toObject().value("name").toString();
                QVERIFY(!t.toObject().value("columns").toArray().isEmpty());
                QCOMPARE(t.toObject().value("dateCreated").toString().size(), 19);
            }
        QCOMPARE(userTables, (QStringList{"Table1", "Table2", "Table3", "Table4"}));

        const ToolRun locked = RunTool("quillmere-catalog-dump", {Fixtures::path("password.mdb")});
        QCOMPARE(locked.exitCode, 2);
        QVERIFY(locked.out.isEmpty());
        // One line, with the reason the reader gave.
        const QByteArray said = locked.said;
        QCOMPARE(said.count('\n'), 1);
        QVERIFY2(said.contains(": パスワードで保護されています"), said.constData());
    }

    // Both tools answer --help and --version, and refuse a wrong call.
    void toolOptions_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // what standard output starts with, or standard error
        for (const QString tool : {"quillmere-catalog-dump", "quillmere-make-workbook"}) {
            const QString version = QStringLiteral("%1 %2.%3.%4\n")
                                        .arg(tool)
                                        .arg(Version::Major)
                                        .arg(Version::Minor)
                                        .arg(Version::Revision);
            QTest::newRow(qPrintable(tool + " --help"))
                << tool << QStringList{"--help"} << 0 << "usage: " + tool;
            QTest::newRow(qPrintable(tool + " --version"))
                << tool << QStringList{"--version"} << 0 << version;
            QTest::newRow(qPrintable(tool + " alone"))
                << tool << QStringList() << 64 << "usage: " + tool;
            QTest::newRow(qPrintable(tool + " unknown option"))
                << tool << QStringList{"--x", "a", "b"} << 64 << "usage: " + tool;
        }
    }
    void toolOptions() {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        const ToolRun run = RunTool(tool, arguments);
        QCOMPARE(run.exitCode, status);
        const QString said = QString::fromUtf8(status == 0 ? run.out : run.said);
        QVERIFY2(said.startsWith(output), qPrintable(said));
        if (arguments == QStringList{"--help"})
            QVERIFY(said.contains("Exit status: 0"));
    }

    // Opening, listing and reading every table leaves each file as it was:
    // same bytes, same modification time, nothing new beside it.
    void filesStayUntouched() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QStringList names = FixturesWithExpectations;
        names << "password.mdb";
        struct State {
            QByteArray hash;
            QDateTime modified;
        };
        QHash<QString, State> before;
        for (const QString &name : names) {
            const QString copy = dir.filePath(name);
            QVERIFY(QFile::copy(Fixtures::path(name), copy));
            QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner));
            QFile f(copy);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)),
                                  QFileDevice::FileModificationTime));
            before.insert(name, {QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256),
                                 QFileInfo(copy).lastModified()});
        }
        const QStringList listingBefore =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);

        for (const QString &name : names) {
            const auto connection =
                mdlADO::OpenAccessConnection(services_.readers, dir.filePath(name));
            if (!connection)
                continue; // the protected one
            Catalog catalog;
            catalog.setActiveConnection(connection);
            for (const Table *t : catalog.UserTables()) {
                QVERIFY(t->Columns().Count() >= 0);
                QVERIFY(t->Keys().Count() >= 0);
            }
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System),
                     listingBefore);
        }

        for (const QString &name : names) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256),
                     before[name].hash);
            QCOMPARE(QFileInfo(dir.filePath(name)).lastModified(), before[name].modified);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System),
                 listingBefore);
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
