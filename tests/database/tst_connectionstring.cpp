#include "database/Catalog.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "support/Fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mdlADO;

class TestConnectionString : public QObject {
    Q_OBJECT

    const Services services_;

private slots:
    void build_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
        QTest::newRow("ordinary") << "/home/u/db/Sales.mdb" << head + "/home/u/db/Sales.mdb;";
        QTest::newRow("windows path")
            << "C:\\old.files\\data.mdb" << head + "C:\\old.files\\data.mdb;";
        QTest::newRow("inner blanks stay") << "/a b/c d.mdb" << head + "/a b/c d.mdb;";
        QTest::newRow("japanese") << "/データ/顧客.mdb" << head + "/データ/顧客.mdb;";
        QTest::newRow("empty") << "" << head + ";";
        QTest::newRow("inner quote stays") << "/a\"b.mdb" << head + "/a\"b.mdb;";
        QTest::newRow("semicolon") << "/a;b.mdb" << head + "\"/a;b.mdb\";";
        QTest::newRow("injected key")
            << "/x.mdb;Provider=Other" << head + "\"/x.mdb;Provider=Other\";";
        QTest::newRow("leading blank") << " /x.mdb" << head + "\" /x.mdb\";";
        QTest::newRow("trailing blank") << "/x.mdb " << head + "\"/x.mdb \";";
        QTest::newRow("trailing ideographic space") << "/顧客\u3000" << head + "\"/顧客\u3000\";";
        QTest::newRow("leading tab") << "\t/x.mdb" << head + "\"\t/x.mdb\";";
        QTest::newRow("trailing carriage return") << "/x.mdb\r" << head + "\"/x.mdb\r\";";
        QTest::newRow("leading quote doubled") << "\"x\".mdb" << head + "\"\"\"x\"\".mdb\";";
        QTest::newRow("trailing quote") << "/x.mdb\"" << head + "\"/x.mdb\"\"\";";
    }
    void build() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(BuildConnectionString(path), expected);
        // Whatever the path, the parser gives it back unchanged.
        QCOMPARE(DataSourceOf(BuildConnectionString(path)), std::optional<QString>(path));
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("dataSource");
        QTest::newRow("plain") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;" << true
                               << "/a.mdb";
        QTest::newRow("no final semicolon")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb" << true << "/a.mdb";
        QTest::newRow("case of key and value")
            << "provider=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=/a.mdb;" << true << "/a.mdb";
        QTest::newRow("blanks around items")
            << " Provider = Microsoft.Jet.OLEDB.4.0 ; Data Source = /a.mdb ;" << true << "/a.mdb";
        QTest::newRow("keys in other order")
            << "Data Source=/a.mdb;Provider=Microsoft.Jet.OLEDB.4.0" << true << "/a.mdb";
        QTest::newRow("quoted with blank after")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a;b.mdb\" ;" << true << "/a;b.mdb";
        QTest::newRow("equals in path")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a=b.mdb;" << true << "/a=b.mdb";
        QTest::newRow("other provider")
            << "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/a.mdb;" << false << "";
        QTest::newRow("no provider") << "Data Source=/a.mdb;" << false << "";
        QTest::newRow("no data source") << "Provider=Microsoft.Jet.OLEDB.4.0;" << false << "";
        QTest::newRow("unknown key")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;Mode=Share Deny None;" << false
            << "";
        QTest::newRow("password key")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;Jet OLEDB:Database Password=x;"
            << false << "";
        QTest::newRow("repeated data source")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;Data Source=/b.mdb;" << false
            << "";
        QTest::newRow("unquoted injection")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/x.mdb;Provider=Other;" << false << "";
        QTest::newRow("unterminated quote")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a.mdb;" << false << "";
        QTest::newRow("text after quote")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a\"b;" << false << "";
        QTest::newRow("item without equals")
            << "Provider=Microsoft.Jet.OLEDB.4.0;/a.mdb;" << false << "";
        QTest::newRow("empty key") << "Provider=Microsoft.Jet.OLEDB.4.0;=/a.mdb;" << false << "";
        QTest::newRow("empty text") << "" << false << "";
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QString, dataSource);
        const auto result = DataSourceOf(text);
        QCOMPARE(result.has_value(), accepted);
        if (accepted)
            QCOMPARE(*result, dataSource);
    }

    // A file whose name carries ";" and a key of its own opens that very file,
    // not the one its name points to.
    void semicolonPathOpensTheNamedFile() {
        REQUIRE_FIXTURES();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString decoy = dir.filePath(QStringLiteral("decoy.mdb"));
        const QString named = dir.filePath(QStringLiteral("x.mdb;Data Source=decoy.mdb"));
        QVERIFY(QFile::copy(Fixtures::path(QStringLiteral("nwind.mdb")), decoy));
        QVERIFY(QFile::copy(Fixtures::path(QStringLiteral("testV2000.mdb")), named));

        const auto connection = OpenAccessConnection(services_.readers, named);
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QCOMPARE(catalog.UserTableNames(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
    }

    void openRefusesMalformedStrings() {
        REQUIRE_FIXTURES();
        const QString path = Fixtures::path(QStringLiteral("testV2000.mdb"));
        QVERIFY(OpenConnectionString(services_.readers, BuildConnectionString(path)));
        QVERIFY(!OpenConnectionString(services_.readers,
                                      QStringLiteral("Provider=Other;Data Source=%1;").arg(path)));
        QVERIFY(!OpenConnectionString(
            services_.readers,
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extra=1;").arg(path)));
        QVERIFY(!OpenConnectionString(services_.readers, QString()));
    }
};

QTEST_GUILESS_MAIN(TestConnectionString)
#include "tst_connectionstring.moc"
