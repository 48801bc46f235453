// The test databases we write, read back by two independent readers: the
// program's own (the reader process over libmdb, through Catalog) and the
// npm package mdb-reader. Each description below stands for a kind of file
// the program meets; both readers must see exactly what it describes.

#include "common/Failure.h"
#include "database/Catalog.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "testdb/Jet4Writer.h"
#include "testdb/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(TestDatabase)

namespace {

QDateTime At(const char *text) {
    QDateTime t =
        QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    t.setTimeSpec(Qt::UTC);
    return t;
}

TestColumn Col(const QString &name, const QString &type, int size = 0, bool fixed = false) {
    return TestColumn{name, type, size, fixed};
}

TestKey KeyOf(const QString &name, const QString &kind, const QStringList &columns,
              const QString &table = {}, const QStringList &referenced = {}) {
    return TestKey{name, kind, columns, table, referenced};
}

TestTable Tbl(const QString &name, const QList<TestColumn> &columns,
              const QList<TestKey> &keys = {}) {
    return TestTable{
        name, At("2024-04-01 09:30:00.000"), At("2024-05-02 18:00:05.250"), false, false, columns,
        keys};
}

// The descriptions every reader check runs over.
QList<std::pair<QByteArray, TestDatabase>> Descriptions() {
    QList<std::pair<QByteArray, TestDatabase>> rows;
    rows.append({"empty database", TestDatabase{}});

    TestTable customers =
        Tbl("顧客マスタ",
            {Col("顧客ID", "long"), Col("氏名", "text", 50), Col("ふりがな", "text", 100),
             Col("ﾃﾞﾝﾜﾊﾞﾝｺﾞｳ", "text", 20), Col("備考", "memo")},
            {KeyOf("主キー", "primary", {"顧客ID"}), KeyOf("ふりがな索引", "index", {"ふりがな"})});
    customers.created = At("1999-12-31 23:59:59.999");
    customers.modified = At("2031-02-28 00:00:00.001");
    TestTable orders = Tbl(
        "ちゅうもん", {Col("注文番号", "long"), Col("顧客ID", "long"), Col("ｷﾝｶﾞｸ", "currency")},
        {KeyOf("注文の主キー", "primary", {"注文番号"}),
         KeyOf("顧客マスタちゅうもん", "foreign", {"顧客ID"}, "顧客マスタ", {"顧客ID"})});
    TestTable halfWidth = Tbl("ﾊﾝｶｸｶﾀｶﾅﾉﾋｮｳ", {Col("ｺｰﾄﾞ", "integer")});
    rows.append(
        {"japanese names",
         TestDatabase{{customers, orders, halfWidth}, {"月別売上", "ｸｴﾘ"}, {"外部の顧客"}}});

    rows.append({"a name outside the BMP",
                 TestDatabase{{Tbl("𠮷野家", {Col("𩸽の数", "long"), Col("名前", "text", 10)},
                                   {KeyOf("𠮷キー", "primary", {"𩸽の数"})})},
                              {"𠮷の問い合わせ"},
                              {}}});

    rows.append(
        {"every column type",
         TestDatabase{
             {Tbl("型",
                  {Col("yes/no", "boolean"), Col("byte", "byte"), Col("integer", "integer"),
                   Col("long", "long"), Col("currency", "currency"), Col("single", "single"),
                   Col("double", "double"), Col("datetime", "datetime"),
                   Col("binary", "binary", 16), Col("fixed binary", "binary", 8, true),
                   Col("binary 510", "binary"), Col("text 1", "text", 1),
                   Col("text 255", "text", 255), Col("fixed text", "text", 10, true),
                   Col("text default", "text"), Col("ole", "ole"), Col("memo", "memo"),
                   Col("guid", "guid"), Col("decimal", "decimal")},
                  {KeyOf("PrimaryKey", "primary", {"guid"}),
                   KeyOf("固定", "unique", {"fixed text", "fixed binary", "long"})})},
             {},
             {}}});

    // Long names take the definition over several pages; keys on the last
    // columns need the column numbers past the first page.
    QList<TestColumn> wide;
    const QStringList types = {"text", "long", "memo", "double", "datetime", "boolean", "binary"};
    for (int i = 0; i < 255; ++i)
        wide << Col(QStringLiteral("列%1_")
                        .arg(i, 3, 10, QLatin1Char('0'))
                        .leftJustified(64, QChar(0x30AB)),
                    types[i % types.size()], types[i % types.size()] == "text" ? 40 : 0);
    rows.append({"255 columns",
                 TestDatabase{{Tbl("広い表", wide,
                                   {KeyOf("PrimaryKey", "primary", {wide[253].name, wide[1].name}),
                                    KeyOf("自己参照", "foreign", {wide[246].name}, "広い表",
                                          {wide[253].name})})},
                              {},
                              {}}});

    // Catalog records past 256 bytes, which Jet 3 reaches through a jump table.
    const auto longName = [](const QString &start, QChar fill) {
        return start.leftJustified(64, fill);
    };
    const QString longTable = longName("長い名前の表", QChar(0x8868));
    const QList<TestColumn> longColumns = {Col(longName("列一", QChar(0x5217)), "long"),
                                           Col(longName("列二", QChar(0x5217)), "long")};
    rows.append(
        {"names of 64 characters",
         TestDatabase{
             {Tbl(longTable, longColumns,
                  {KeyOf(longName("主キー", QChar(0x9375)), "primary", {longColumns[0].name}),
                   KeyOf(longName("関連", QChar(0x95A2)), "foreign", {longColumns[1].name},
                         longTable, {longColumns[0].name})})},
             {longName("問い合わせ", QChar(0x554F))},
             {longName("リンク", QChar(0x30EA))}}});

    TestTable parent = Tbl("親", {Col("ID", "long"), Col("枝番", "integer")},
                           {KeyOf("PrimaryKey", "primary", {"ID", "枝番"})});
    TestTable named =
        Tbl("キー名",
            {Col("ID", "long"), Col("親ID", "long"), Col("親枝番", "integer"), Col("X", "long")},
            {KeyOf("pkey", "primary", {"ID"}),
             KeyOf("PrimaryKey", "foreign", {"親ID", "親枝番"}, "親", {"ID", "枝番"}),
             KeyOf("Key", "foreign", {"親ID"}), KeyOf("KeyOrderKey", "foreign", {"X", "ID"}),
             KeyOf("KeyKey", "unique", {"X"}), KeyOf("KKeyey", "foreign", {"X"}, "親", {"ID"})});
    rows.append({"key names", TestDatabase{{parent, named}, {}, {}}});

    rows.append(
        {"a field in two keys",
         TestDatabase{
             {Tbl("伝票", {Col("伝票番号", "long"), Col("行", "integer"), Col("品目", "long")},
                  {KeyOf("明細", "foreign", {"行"}),
                   KeyOf("PrimaryKey", "primary", {"伝票番号", "行"}),
                   KeyOf("行索引", "index", {"行"})})},
             {},
             {}}});

    rows.append(
        {"a key on ID beside a field Id",
         TestDatabase{{Tbl("社員", {Col("Id", "text", 8), Col("ID", "long"), Col("id2", "long")},
                           {KeyOf("PrimaryKey", "primary", {"ID"}),
                            KeyOf("Id", "foreign", {"id2"}, "社員", {"ID"})})},
                      {},
                      {}}});

    TestTable header =
        Tbl("受注", {Col("受注番号", "long"), Col("年度", "integer"), Col("得意先", "text", 30)},
            {KeyOf("PrimaryKey", "primary", {"年度", "受注番号"})});
    TestTable lines =
        Tbl("受注明細", {Col("明細番号", "long"), Col("受注年度", "integer"), Col("番号", "long")},
            {KeyOf("PrimaryKey", "primary", {"明細番号"}),
             KeyOf("受注受注明細", "foreign", {"受注年度", "番号"}, "受注", {"年度", "受注番号"})});
    rows.append({"a foreign key between two tables", TestDatabase{{lines, header}, {}, {}}});

    TestTable hidden = Tbl("隠し", {Col("a", "long")});
    hidden.hidden = true;
    TestTable system = Tbl("USysSettings", {Col("Name", "text", 40), Col("Value", "memo")});
    system.system = true;
    TestTable both = Tbl("隠しシステム", {Col("b", "byte")});
    both.hidden = both.system = true;
    rows.append({"hidden and system tables",
                 TestDatabase{{hidden, system, both, Tbl("見える", {Col("c", "long")})}, {}, {}}});

    rows.append({"queries and links",
                 TestDatabase{{}, {"Q1", "売上集計", "ｸｴﾘ2"}, {"Customers", "外部 受注"}}});

    rows.append({"two names differing in case", TestDatabase{{Tbl("Orders", {Col("a", "long")}),
                                                              Tbl("ORDERS", {Col("A", "text", 5)})},
                                                             {"orders"},
                                                             {}}});

    // Enough catalog rows that MSysObjects' pages do not fit in the usage
    // map kept within its row.
    QStringList many;
    for (int i = 0; i < 12000; ++i)
        many << QStringLiteral("問い合わせ%1")
                    .arg(i, 5, 10, QLatin1Char('0'))
                    .leftJustified(64, QChar(0x30AF));
    rows.append({"a catalog beyond an inline usage map",
                 TestDatabase{{Tbl("表", {Col("a", "long")})}, many, {}}});
    return rows;
}

// JSON written with single quotes, which moc reads more easily than raw strings.
QByteArray Json(const char *text) {
    return QByteArray(text).replace('\'', '"');
}

QDateTime TimeOf(const QDateTime &t) {
    return t.isValid() ? t : DefaultTestTime();
}

// What a column of the description is to ADO: type code and defined size.
std::pair<int, int> AdoColumn(const TestColumn &c) {
    static const QHash<QString, int> codes = {{"boolean", 11}, {"byte", 17},    {"integer", 2},
                                              {"long", 3},     {"currency", 6}, {"single", 4},
                                              {"double", 5},   {"datetime", 7}, {"ole", 205},
                                              {"memo", 203},   {"guid", 72},    {"decimal", 131}};
    if (c.type == "text")
        return {c.fixed ? 130 : 202, c.size ? c.size : 255};
    if (c.type == "binary")
        return {c.fixed ? 128 : 204, c.size ? c.size : 510};
    return {codes.value(c.type, -1), 0};
}

// What it is to mdb-reader: type, stored size in bytes, fixed length.
QJsonObject StoredColumn(const TestColumn &c) {
    static const QHash<QString, std::pair<const char *, int>> fixed = {
        {"boolean", {"boolean", 0}}, {"byte", {"byte", 1}},         {"integer", {"integer", 2}},
        {"long", {"long", 4}},       {"currency", {"currency", 8}}, {"single", {"float", 4}},
        {"double", {"double", 8}},   {"datetime", {"datetime", 8}}, {"guid", {"repid", 16}},
        {"decimal", {"numeric", 17}}};
    QJsonObject o{{"name", c.name}, {"type", c.type}, {"size", 0}, {"fixedLength", c.fixed}};
    if (c.type == "text")
        o["size"] = 2 * (c.size ? c.size : 255);
    else if (c.type == "binary")
        o["size"] = c.size ? c.size : 510;
    else if (fixed.contains(c.type))
        o = {{"name", c.name},
             {"type", fixed[c.type].first},
             {"size", fixed[c.type].second},
             {"fixedLength", true}};
    return o;
}

QString Describe(const Collection<KeyColumn> &columns) {
    QStringList names;
    for (const KeyColumn &c : columns)
        names << c.Name();
    return names.join(QLatin1Char(','));
}

} // namespace

class TestDb : public QObject {
    Q_OBJECT

private:
    const Services services_;
    QTemporaryDir dir_;
    int files_ = 0;

    QString write(const TestDatabase &database, bool jet3 = false) {
        const QString path = dir_.filePath(QStringLiteral("db%1.mdb").arg(++files_));
        if (jet3)
            WriteJet3(database, path);
        else
            WriteJet4(database, path);
        return path;
    }

    static QString tool() {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/quillmere-make-testdb");
    }

    static void addDescriptionRows(const QList<QByteArray> &except = {}) {
        QTest::addColumn<TestDatabase>("database");
        for (const auto &[name, database] : Descriptions())
            if (!except.contains(name))
                QTest::newRow(name.constData()) << database;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // What the program's reader lists of the file written in either format.
    void checkOurReader(bool jet3) {
        QFETCH(TestDatabase, database);
        const auto connection =
            mdlADO::OpenAccessConnection(services_.readers, write(database, jet3));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);

        QStringList expected = {"SYSTEM TABLE MSysACEs", "SYSTEM TABLE MSysObjects",
                                "SYSTEM TABLE MSysQueries", "SYSTEM TABLE MSysRelationships"};
        for (const TestTable &t : database.tables)
            expected << (t.system ? "SYSTEM TABLE " : "TABLE ") + t.name;
        for (const QString &q : database.queries)
            expected << "VIEW " + q;
        for (const QString &l : database.links)
            expected << "LINK " + l;
        QStringList listed;
        for (const Table &t : catalog.Tables())
            listed << t.Type() + QLatin1Char(' ') + t.Name();
        expected.sort();
        listed.sort();
        QCOMPARE(listed, expected);

        for (const TestTable &t : database.tables) {
            const Table &table = catalog.Tables().Item(t.name);
            QCOMPARE(table.Name(), t.name);
            QCOMPARE(table.DateCreated().date(false), TimeOf(t.created).date());
            QCOMPARE(table.DateCreated().time(false), TimeOf(t.created).time());
            QCOMPARE(table.DateModified().date(false), TimeOf(t.modified).date());
            QCOMPARE(table.DateModified().time(false), TimeOf(t.modified).time());

            QCOMPARE(table.Columns().Count(), t.columns.size());
            for (int i = 0; i < t.columns.size(); ++i) {
                const Column &c = table.Columns().Item(i);
                QCOMPARE(c.Name(), t.columns[i].name);
                QCOMPARE(std::make_pair(int(c.Type()), int(c.DefinedSize())),
                         AdoColumn(t.columns[i]));
            }

            QStringList keys;
            for (const TestKey &k : t.keys)
                if (k.kind == "primary" || k.kind == "foreign")
                    keys << k.name + QLatin1Char('(') + k.columns.join(QLatin1Char(',')) +
                                QLatin1Char(')');
            QStringList read;
            for (const Key &k : table.Keys())
                read << k.Name() + QLatin1Char('(') + Describe(k.Columns()) + QLatin1Char(')');
            QCOMPARE(read, keys);
        }
    }

    void ourReaderListsTheDescription_data() { addDescriptionRows(); }
    void ourReaderListsTheDescription() { checkOurReader(false); }

    // Jet 3 keeps names in the header's code page (932 here), which the
    // reader hands to libmdb; a name outside it cannot be written.
    void ourReaderListsTheJet3Description_data() { addDescriptionRows({"a name outside the BMP"}); }
    void ourReaderListsTheJet3Description() { checkOurReader(true); }

    void mdbReaderSeesTheDescription_data() { addDescriptionRows(); }
    void mdbReaderSeesTheDescription() {
        QFETCH(TestDatabase, database);
        const QString script = QStringLiteral(QUILLMERE_MDB_READER_SCRIPT);
        if (QStringLiteral(QUILLMERE_NODE).isEmpty())
            QSKIP("node is not installed (scripts/bootstrap installs it)");
        if (!QFileInfo::exists(QFileInfo(script).path() +
                               QStringLiteral("/node_modules/mdb-reader/package.json")))
            QSKIP("mdb-reader is not installed in tests/testdb (scripts/bootstrap runs npm ci "
                  "there)");

        QProcess node;
        node.start(QStringLiteral(QUILLMERE_NODE), {script, write(database)});
        QVERIFY(node.waitForFinished(120000));
        QVERIFY2(node.exitCode() == 0, node.readAllStandardError().constData());
        const QJsonObject seen = QJsonDocument::fromJson(node.readAllStandardOutput()).object();

        QStringList normal,
            system = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
        for (const TestTable &t : database.tables)
            (t.system ? system : normal) << t.name;
        const auto sorted = [](const QJsonValue &names) {
            QStringList list = names.toVariant().toStringList();
            list.sort();
            return list;
        };
        normal.sort();
        system.sort();
        QStringList links = database.links;
        links.sort();
        QCOMPARE(sorted(seen["normalTables"]), normal);
        QCOMPARE(sorted(seen["systemTables"]), system);
        QCOMPARE(sorted(seen["linkedTables"]), links);

        QHash<QString, QJsonObject> objects;
        for (const QJsonValue &o : seen["objects"].toArray())
            objects.insert(o["name"].toString(), o.toObject());
        const auto timeText = [](const QDateTime &t) {
            return TimeOf(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        };
        QJsonArray relationships;
        for (const TestTable &t : database.tables) {
            QJsonArray columns;
            for (const TestColumn &c : t.columns)
                columns << StoredColumn(c);
            QCOMPARE(seen["tables"][t.name].toArray(), columns);

            const QJsonObject o = objects.value(t.name);
            QCOMPARE(o["type"].toInt(), 1);
            QCOMPARE(o["flags"].toInteger(), (t.system ? -0x80000000LL : 0) | (t.hidden ? 0x8 : 0));
            QCOMPARE(o["created"].toString(), timeText(t.created));
            QCOMPARE(o["modified"].toString(), timeText(t.modified));

            for (const TestKey &k : t.keys) {
                const QStringList referenced =
                    k.referencedColumns.isEmpty() ? k.columns : k.referencedColumns;
                for (int i = 0; k.kind == "foreign" && i < k.columns.size(); ++i)
                    relationships << QJsonObject{{"name", k.name},
                                                 {"table", t.name},
                                                 {"column", k.columns[i]},
                                                 {"referencedTable", k.referencedTable.isEmpty()
                                                                         ? t.name
                                                                         : k.referencedTable},
                                                 {"referencedColumn", referenced[i]},
                                                 {"icolumn", i},
                                                 {"ccolumn", k.columns.size()},
                                                 {"grbit", 0}};
            }
        }
        QCOMPARE(seen["relationships"].toArray(), relationships);
        for (const QString &q : database.queries)
            QCOMPARE(objects.value(q)["type"].toInt(), 5);
        for (const QString &l : database.links) {
            QCOMPARE(objects.value(l)["type"].toInt(), 6);
            QCOMPARE(objects.value(l)["foreignName"].toString(), l);
            QVERIFY(!objects.value(l)["database"].toString().isEmpty());
        }
    }

    void parsesTheDescriptionFormat() {
        QString error;
        const auto database = ParseTestDatabase(
            Json("{'tables': [{'name': '顧客マスタ', 'created': '2024-04-01 09:30:00',"
                 "             'modified': '2024-05-02 18:00:05.125', 'hidden': true, 'system': "
                 "false,"
                 "             'columns': [{'name': '顧客ID', 'type': 'long'}, {'name': '氏名', "
                 "'type': 'text', 'size': 50},"
                 "                         {'name': 'コード', 'type': 'binary', 'size': 4, "
                 "'fixed': true}],"
                 "             'keys': [{'name': 'PrimaryKey', 'kind': 'primary', 'columns': "
                 "['顧客ID']},"
                 "                      {'name': '自己', 'kind': 'foreign', 'columns': ['コード'],"
                 "                       'references': {'table': '顧客マスタ', 'columns': "
                 "['コード']}}]},"
                 "            {'name': '最小', 'columns': []}],"
                 " 'queries': ['月別売上'], 'links': ['外部顧客']}"),
            &error);
        QVERIFY2(database, qUtf8Printable(error));
        QCOMPARE(database->tables.size(), 2);
        const TestTable &t = database->tables[0];
        QCOMPARE(t.created, QDateTime(QDate(2024, 4, 1), QTime(9, 30), Qt::UTC));
        QCOMPARE(t.modified, QDateTime(QDate(2024, 5, 2), QTime(18, 0, 5, 125), Qt::UTC));
        QVERIFY(t.hidden && !t.system);
        QCOMPARE(t.columns[1].size, 50);
        QVERIFY(t.columns[2].fixed && !t.columns[1].fixed);
        QCOMPARE(t.keys[1].referencedTable, QStringLiteral("顧客マスタ"));
        QCOMPARE(t.keys[1].referencedColumns, QStringList{"コード"});
        QVERIFY(!database->tables[1].created.isValid());
        QCOMPARE(database->queries, QStringList{"月別売上"});
        QCOMPARE(database->links, QStringList{"外部顧客"});
    }

    void rejectsWhatCannotBeWritten_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("fault");
        const QByteArray longName(65, 'n');
        QByteArray columns256, bigFixed;
        for (int i = 0; i < 256; ++i)
            columns256 += (i ? "," : "") +
                          QString::fromUtf8(Json("{'name':'c%1','type':'long'}")).arg(i).toUtf8();
        for (int i = 0; i < 8; ++i)
            bigFixed +=
                (i ? "," : "") +
                QString::fromUtf8(Json("{'name':'c%1','type':'text','size':255,'fixed':true}"))
                    .arg(i)
                    .toUtf8();

        QTest::newRow("not JSON") << QByteArray("{") << "not JSON";
        QTest::newRow("unknown field") << Json("{'tabels': []}") << "tabels: unknown field";
        QTest::newRow("no table name")
            << Json("{'tables': [{'columns': []}]}") << "tables[0].name: missing";
        QTest::newRow("name too long")
            << Json("{'tables': [{'name': '") + longName + Json("'}]}") << "tables[0].name:";
        QTest::newRow("unknown type") << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', "
                                              "'type': 'long'}, {'name': 'b', 'type': 'lng'}]}]}")
                                      << "tables[0].columns[1].type: unknown type";
        QTest::newRow("text too long") << Json("{'tables': [{'name': 't', 'columns': [{'name': "
                                               "'a', 'type': 'text', 'size': 256}]}]}")
                                       << "tables[0].columns[0].size:";
        QTest::newRow("size of a long") << Json("{'tables': [{'name': 't', 'columns': [{'name': "
                                                "'a', 'type': 'long', 'size': 4}]}]}")
                                        << "tables[0].columns[0].size:";
        QTest::newRow("fixed memo") << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', "
                                            "'type': 'memo', 'fixed': true}]}]}")
                                    << "tables[0].columns[0].fixed:";
        QTest::newRow("same column twice")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}, {'name': "
                    "'a', 'type': 'long'}]}]}")
            << "tables[0].columns[1].name:";
        QTest::newRow("256 columns")
            << Json("{'tables': [{'name': 't', 'columns': [") + columns256 + "]}]}"
            << "tables[0].columns: more than 255";
        QTest::newRow("fixed part too large")
            << Json("{'tables': [{'name': 't', 'columns': [") + bigFixed + "]}]}"
            << "tables[0].columns: the fixed-length";
        QTest::newRow("bad time")
            << Json("{'tables': [{'name': 't', 'created': '2024-13-01 00:00:00'}]}")
            << "tables[0].created:";
        QTest::newRow("key on no column")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'k', 'kind': 'primary', 'columns': ['b']}]}]}")
            << "tables[0].keys[0].columns[0]: no column";
        QTest::newRow("key on memo")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'memo'}], 'keys': "
                    "[{'name': 'k', 'kind': 'index', 'columns': ['a']}]}]}")
            << "tables[0].keys[0].columns[0]: memo columns cannot be indexed";
        QTest::newRow("eleven key columns")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'k', 'kind': 'index', 'columns': "
                    "['a','a','a','a','a','a','a','a','a','a','a']}]}]}")
            << "tables[0].keys[0].columns:";
        QTest::newRow("two primary keys")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'k', 'kind': 'primary', 'columns': ['a']}, {'name': 'l', 'kind': "
                    "'primary', 'columns': ['a']}]}]}")
            << "tables[0].keys[1].kind:";
        QTest::newRow("primary key with references")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'k', 'kind': 'primary', 'columns': ['a'], 'references': {'table': "
                    "'t'}}]}]}")
            << "tables[0].keys[0].references:";
        QTest::newRow("references no table")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'k', 'kind': 'foreign', 'columns': ['a'], 'references': {'table': "
                    "'u'}}]}]}")
            << "tables[0].keys[0].references.table: no table";
        QTest::newRow("references too few columns")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}, {'name': "
                    "'b', 'type': 'long'}], 'keys': [{'name': 'k', 'kind': 'foreign', 'columns': "
                    "['a', 'b'], 'references': {'table': 't', 'columns': ['a']}}]}]}")
            << "tables[0].keys[0].references.columns:";
        QTest::newRow("same foreign key name twice")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'k', 'kind': 'foreign', 'columns': ['a']}]}, {'name': 'u', "
                    "'columns': [{'name': 'a', 'type': 'long'}], 'keys': [{'name': 'k', 'kind': "
                    "'foreign', 'columns': ['a']}]}]}")
            << "tables[1].keys[0].name:";
        QTest::newRow("same table twice")
            << Json("{'tables': [{'name': 't'}, {'name': 't'}]}") << "tables[1].name:";
        QTest::newRow("a system table's name")
            << Json("{'tables': [{'name': 'MSysObjects'}]}") << "tables[0].name:";
        QTest::newRow("query named as a table")
            << Json("{'tables': [{'name': 't'}], 'queries': ['t']}") << "queries[0]:";
        QTest::newRow("link not a string")
            << Json("{'links': [1]}") << "links[0]: expected a string";
    }
    void rejectsWhatCannotBeWritten() {
        QFETCH(QByteArray, json);
        QFETCH(QString, fault);
        QString error;
        QVERIFY(!ParseTestDatabase(json, &error));
        QVERIFY2(error.startsWith(fault), qUtf8Printable(error));

        // The tool says the same on one line and writes nothing.
        const QString description = dir_.filePath(QStringLiteral("bad.json"));
        QFile file(description);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        file.close();
        const QString out = dir_.filePath(QStringLiteral("bad.mdb"));
        QProcess tool;
        tool.start(TestDb::tool(), {description, out});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 1);
        const QString message = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(message.count(QLatin1Char('\n')), 1);
        QVERIFY2(message.contains(fault), qUtf8Printable(message));
        QVERIFY(!QFileInfo::exists(out));
    }

    void writerRefusesWhatCannotBeWritten() {
        TestDatabase database{
            {Tbl("t", {Col("a", "long")}, {KeyOf("k", "primary", {"b"})})}, {}, {}};
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 WriteJet4(database, dir_.filePath(QStringLiteral("refused.mdb"))));
        QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("refused.mdb"))));
        QVERIFY_THROWS_EXCEPTION(
            Failure,
            WriteJet4(TestDatabase{}, dir_.filePath(QStringLiteral("no/such/folder.mdb"))));
        const TestDatabase outsideShiftJis{{Tbl("𠮷野家", {Col("a", "long")})}, {}, {}};
        QVERIFY_THROWS_EXCEPTION(
            Failure, WriteJet3(outsideShiftJis, dir_.filePath(QStringLiteral("refused.mdb"))));
    }

    // The tool writes the same bytes for the same description, and says in
    // a line why it cannot write a file.
    void toolWritesTheFileOrSaysWhyNot() {
        const QString description = dir_.filePath(QStringLiteral("good.json"));
        QFile file(description);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Json(
            "{'tables': [{'name': '顧客',"
            "             'columns': [{'name': 'ID', 'type': 'long'}, {'name': '名前', 'type': "
            "'memo'}],"
            "             'keys': [{'name': 'PrimaryKey', 'kind': 'primary', 'columns': ['ID']},"
            "                      {'name': '自己', 'kind': 'foreign', 'columns': ['ID']}]}],"
            " 'queries': ['q'], 'links': ['l']}"));
        file.close();
        const auto run = [&](const QString &out, QString *message) {
            QProcess tool;
            tool.start(TestDb::tool(), {description, out});
            tool.waitForFinished();
            *message = QString::fromUtf8(tool.readAllStandardError());
            return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        };
        QByteArray written[2];
        for (QByteArray &bytes : written) {
            const QString out = dir_.filePath(QStringLiteral("good.mdb"));
            QString message;
            QCOMPARE(run(out, &message), 0);
            QCOMPARE(message, QString());
            QFile db(out);
            QVERIFY(db.open(QIODevice::ReadOnly));
            bytes = db.readAll();
            QVERIFY(db.remove());
        }
        QCOMPARE(written[0].size() % 4096, 0);
        QVERIFY(written[0] == written[1]);

        QString message;
        QCOMPARE(run(dir_.filePath(QStringLiteral("no/such/folder/out.mdb")), &message), 1);
        QCOMPARE(message.count(QLatin1Char('\n')), 1);
        QVERIFY2(message.contains(QStringLiteral("cannot write")), qUtf8Printable(message));
    }

    // The benchmark's database: writing and listing it take seconds at most.
    void writesAndListsFiveThousandTables() {
        const QStringList types = {"long", "text", "double", "datetime", "memo", "integer"};
        TestDatabase database;
        for (int t = 0; t < 5000; ++t) {
            QList<TestColumn> columns;
            for (int c = 0; c < 30; ++c)
                columns << Col(QStringLiteral("項目%1").arg(c), types[c % types.size()],
                               c % types.size() == 1 ? 50 : 0);
            database.tables << Tbl(QStringLiteral("テーブル%1").arg(t, 4, 10, QLatin1Char('0')),
                                   columns, {KeyOf("PrimaryKey", "primary", {"項目0"})});
        }
        QElapsedTimer timer;
        timer.start();
        const QString path = write(database);
        const qint64 writing = timer.restart();
        const auto connection = mdlADO::OpenAccessConnection(services_.readers, path);
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QCOMPARE(catalog.Tables().Count(), 5000 + 4);
        const qint64 listing = timer.restart();
        const Table &last = catalog.Tables().Item(QStringLiteral("テーブル4999"));
        QCOMPARE(last.Columns().Count(), 30);
        QCOMPARE(last.Columns().Item(29).Name(), QStringLiteral("項目29"));
        qInfo("5000 tables x 30 columns: %lld ms to write %lld MB, %lld ms to open and list",
              writing, QFileInfo(path).size() >> 20, listing);
    }
};

QTEST_GUILESS_MAIN(TestDb)
#include "tst_testdb.moc"
