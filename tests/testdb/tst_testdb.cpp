// The test databases we write, read back by independent readers: the
// program's own (the reader process over libmdb, through Catalog), the npm
// package mdb-reader, and Debian's mdbtools commands mdb-prop and
// mdb-schema. Each description below stands for a kind of file the program
// meets; every reader must see exactly what it describes of it.

#include "common/Failure.h"
#include "database/Catalog.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "support/MdbTools.h"
#include "support/Tools.h"
#include "testdb/Jet4Writer.h"
#include "testdb/TestDatabase.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
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

TestColumn With(TestColumn c, const QList<TestProperty> &properties,
                const QString &description = {}) {
    c.properties = properties;
    c.description = description;
    return c;
}

TestKey Flagged(TestKey k, const QStringList &descending, bool ignoreNulls = false,
                bool required = false) {
    k.descending = descending;
    k.ignoreNulls = ignoreNulls;
    k.required = required;
    return k;
}

TestRelationship Rel(const QString &name, const QString &primary, const QStringList &primaryColumns,
                     const QString &related, const QStringList &relatedColumns) {
    return TestRelationship{name, primary, primaryColumns, related, relatedColumns};
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

    // The properties Access keeps of a table and its columns, each in the
    // type Access stores it in, a property of every other type, and the
    // column flags; descriptions among them.
    TestColumn id =
        With(Col("商品ID", "long"), {{"Caption", "memo", "商品番号"}}, "自動で振る番号");
    id.autoNumber = true;
    TestColumn price = With(Col("定価", "decimal"), {{"DecimalPlaces", "byte", 2}});
    price.precision = 12;
    price.scale = 2;
    TestColumn replica = With(Col("識別子", "guid"), {{"DefaultValue", "text", "GenGUID()"}});
    replica.autoNumber = true;
    TestColumn link = With(Col("ホームページ", "memo"), {{"Caption", "memo", "ＵＲＬ"}});
    link.hyperlink = true;
    TestTable goods = Tbl(
        "商品",
        {id,
         With(Col("品名", "text", 40),
              {{"Required", "boolean", true},
               {"AllowZeroLength", "boolean", false},
               {"DefaultValue", "memo", "\"未定\""},
               {"ValidationRule", "memo", "Is Not Null And Len([品名])>1"},
               {"ValidationText", "text", "品名を二文字以上で入れてください"},
               {"Caption", "memo", "品名"},
               {"Format", "text", ">"},
               {"InputMask", "text", ">L<??????"}},
              "正式な名前"),
         price,
         With(Col("原価", "double"),
              {{"DecimalPlaces", "byte", 255}, {"Format", "text", "Standard"}}),
         replica, link,
         With(Col("登録日", "datetime"), {{"DefaultValue", "memo", "Date()"},
                                          {"Format", "text", "yyyy/mm/dd"},
                                          {"基準日", "datetime", At("2024-04-01 09:30:00.000")}}),
         With(Col("値", "long"), {{"整数", "integer", -2},
                                  {"長整数", "long", 70000},
                                  {"単精度", "single", 1.5},
                                  {"倍精度", "double", -2.25},
                                  {"印影", "binary", QByteArray("\x00\xff\x10", 3)},
                                  {"否", "boolean", false},
                                  {"長文", "memo", "長い説明"}}),
         Col("何もない", "text", 10)},
        {KeyOf("PrimaryKey", "primary", {"商品ID"})});
    goods.description = QStringLiteral("取り扱う商品");
    goods.validationRule = QStringLiteral("[定価]>=0");
    goods.validationText = QStringLiteral("定価は0以上に");
    goods.properties = {{"Tag", "text", "棚卸し対象"}, {"Orientation", "byte", 0}};
    rows.append({"every property kind",
                 TestDatabase{{goods, Tbl("性質のない表", {Col("a", "long")})}, {}, {}}});

    rows.append(
        {"every index flag and sort order",
         TestDatabase{
             {Tbl("売上",
                  {Col("伝票番号", "long"), Col("行", "integer"), Col("日付", "datetime"),
                   Col("担当", "text", 10), Col("金額", "currency"), Col("区分", "byte"),
                   Col("コード", "text", 8)},
                  {KeyOf("PrimaryKey", "primary", {"伝票番号", "行"}),
                   Flagged(KeyOf("日付降順", "index", {"日付"}), {"日付"}),
                   Flagged(KeyOf("担当と日付", "unique", {"担当", "日付"}), {"日付"}, true),
                   Flagged(KeyOf("金額必須", "index", {"金額"}), {}, false, true),
                   Flagged(KeyOf("コード一意", "unique", {"コード"}), {}, true, true),
                   Flagged(KeyOf("混在", "index", {"区分", "日付", "担当"}), {"区分", "担当"}),
                   Flagged(KeyOf("主キー順", "unique", {"行", "伝票番号"}), {"行", "伝票番号"},
                           false, true)})},
             {},
             {}}});

    // Every rule a relationship has, over one, two and three columns and
    // within one table, beside a foreign key of a table's own.
    TestTable clients = Tbl("得意先",
                            {Col("得意先ID", "long"), Col("区分", "text", 2),
                             Col("支店", "integer"), Col("枝番", "byte")},
                            {KeyOf("PrimaryKey", "primary", {"得意先ID"}),
                             KeyOf("区分支店枝番", "unique", {"区分", "支店", "枝番"})});
    clients.columns[0].autoNumber = true;
    TestTable details = Tbl("得意先詳細", {Col("得意先ID", "long"), Col("メモ", "memo")},
                            {KeyOf("PrimaryKey", "primary", {"得意先ID"})});
    TestTable orders2 = Tbl("注文",
                            {Col("注文ID", "long"), Col("得意先ID", "long"), Col("区分", "text", 2),
                             Col("支店", "integer"), Col("枝番", "byte"), Col("紹介者", "long")},
                            {KeyOf("PrimaryKey", "primary", {"注文ID"})});
    TestTable lines2 = Tbl("明細", {Col("注文ID", "long"), Col("行", "integer")},
                           {KeyOf("PrimaryKey", "primary", {"注文ID", "行"}),
                            KeyOf("注文明細", "foreign", {"注文ID"}, "注文", {"注文ID"})});
    TestTable staff = Tbl("社員", {Col("社員ID", "long"), Col("上司", "long")},
                          {KeyOf("PrimaryKey", "primary", {"社員ID"})});
    TestDatabase related{{clients, details, orders2, lines2, staff}, {}, {}};
    TestRelationship cascades = Rel("得意先注文", "得意先", {"得意先ID"}, "注文", {});
    cascades.cascadeUpdates = true;
    cascades.join = QStringLiteral("left");
    TestRelationship threeColumns = Rel("区分支店枝番注文", "得意先", {"区分", "支店", "枝番"},
                                        "注文", {"区分", "支店", "枝番"});
    threeColumns.cascadeDeletes = true;
    threeColumns.join = QStringLiteral("right");
    TestRelationship oneToOne = Rel("得意先得意先詳細", "得意先", {"得意先ID"}, "得意先詳細", {});
    oneToOne.oneToOne = oneToOne.cascadeUpdates = oneToOne.cascadeDeletes = true;
    TestRelationship loose = Rel("紹介", "得意先", {"得意先ID"}, "注文", {"紹介者"});
    loose.enforced = false;
    TestRelationship looseLeft = Rel("紹介の左", "社員", {"社員ID"}, "注文", {"紹介者"});
    looseLeft.enforced = false;
    looseLeft.join = QStringLiteral("left");
    related.relationships = {
        cascades, threeColumns, oneToOne, loose, Rel("上司", "社員", {"社員ID"}, "社員", {"上司"}),
        looseLeft};
    rows.append({"every relationship rule", related});

    // Property lists too large for their catalog record: one on a
    // long-value page, one chained over several.
    const auto described = [](const QString &name, int columns, int captionLength) {
        QList<TestColumn> list;
        for (int i = 0; i < columns; ++i)
            list << With(
                Col(QStringLiteral("列%1").arg(i, 2, 10, QLatin1Char('0')), "text", 20),
                {{"Caption", "memo",
                  QStringLiteral("見出し%1").arg(i) + QString(captionLength, QChar(0x3042))},
                 {"Required", "boolean", true}},
                QStringLiteral("説明%1").arg(i));
        return Tbl(name, list);
    };
    rows.append({"property lists beyond a page",
                 TestDatabase{{described("一頁", 16, 90), described("数頁", 60, 150)}, {}, {}}});
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

// What it is to mdb-reader: type, stored size in bytes, fixed length, the
// AutoNumber flags, a decimal's precision and scale.
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
    o["autoLong"] = c.autoNumber && c.type == "long";
    o["autoUUID"] = c.autoNumber && c.type == "guid";
    if (c.type == "decimal") {
        o["precision"] = c.precision ? c.precision : 18;
        o["scale"] = c.scale;
    }
    return o;
}

// A relationship's rows in MSysRelationships as read_with_mdb_reader.mjs
// gives them: one per pair of columns.
void AddRelationshipRows(QJsonArray &rows, const QString &name, const QString &table,
                         const QStringList &columns, const QString &referencedTable,
                         const QStringList &referencedColumns, int grbit) {
    for (int i = 0; i < columns.size(); ++i)
        rows << QJsonObject{{"name", name},
                            {"table", table},
                            {"column", columns[i]},
                            {"referencedTable", referencedTable},
                            {"referencedColumn", referencedColumns[i]},
                            {"icolumn", i},
                            {"ccolumn", columns.size()},
                            {"grbit", grbit}};
}

// A property's value as mdb-prop prints it.
QString MdbPropValue(const TestProperty &p) {
    if (p.type == "boolean")
        return p.value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (p.type == "single" || p.type == "double")
        return QString::number(p.value.toDouble(), 'g', 6);
    if (p.type == "datetime")
        return p.value.toDateTime().toString(QStringLiteral("MM/dd/yy HH:mm:ss"));
    if (p.type == "binary")
        return QStringLiteral("(binary data of length %1)").arg(p.value.toByteArray().size());
    if (p.type == "text" || p.type == "memo")
        return p.value.toString();
    return QString::number(p.value.toLongLong());
}

// The property lists of a table as lines "object/property: value", the
// table's own under "", sorted.
QStringList PropertyLines(const QHash<QString, QHash<QString, QString>> &blocks) {
    QStringList lines;
    for (auto b = blocks.begin(); b != blocks.end(); ++b)
        for (auto p = b->begin(); p != b->end(); ++p)
            lines << b.key() + QLatin1Char('/') + p.key() + QStringLiteral(": ") + p.value();
    lines.sort();
    return lines;
}

QHash<QString, QHash<QString, QString>> ExpectedProperties(const TestTable &t) {
    QHash<QString, QHash<QString, QString>> blocks;
    const auto add = [&](const QString &object, const QString &name, const QString &value) {
        if (!value.isEmpty())
            blocks[object].insert(name, value);
    };
    add({}, "Description", t.description);
    add({}, "ValidationRule", t.validationRule);
    add({}, "ValidationText", t.validationText);
    for (const TestProperty &p : t.properties)
        blocks[QString()].insert(p.name, MdbPropValue(p));
    for (const TestColumn &c : t.columns) {
        add(c.name, "Description", c.description);
        for (const TestProperty &p : c.properties)
            blocks[c.name].insert(p.name, MdbPropValue(p));
    }
    return blocks;
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
        // Jet 3 has no decimal columns of its own, nor a place for their
        // precision and scale; its writer refuses them.
        if (jet3)
            for (TestTable &t : database.tables)
                for (TestColumn &c : t.columns)
                    c.precision = c.scale = 0;
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
                QCOMPARE(c.Description(), t.columns[i].description);
            }

            // The primary and foreign keys of the table, then the foreign
            // keys that enforced relationships give it.
            QStringList keys;
            for (const TestKey &k : t.keys)
                if (k.kind == "primary" || k.kind == "foreign")
                    keys << k.name + QLatin1Char('(') + k.columns.join(QLatin1Char(',')) +
                                QLatin1Char(')');
            for (const TestRelationship &r : database.relationships)
                if (r.enforced && r.relatedTable == t.name)
                    keys << r.name + QLatin1Char('(') +
                                (r.relatedColumns.isEmpty() ? r.primaryColumns : r.relatedColumns)
                                    .join(QLatin1Char(',')) +
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

            for (const TestKey &k : t.keys)
                if (k.kind == "foreign")
                    AddRelationshipRows(
                        relationships, k.name, t.name, k.columns,
                        k.referencedTable.isEmpty() ? t.name : k.referencedTable,
                        k.referencedColumns.isEmpty() ? k.columns : k.referencedColumns, 0);
        }
        // Then those described on their own, with their rules in DAO's
        // Relation.Attributes bits.
        for (const TestRelationship &r : database.relationships) {
            const int grbit = (r.oneToOne ? 0x1 : 0) | (r.enforced ? 0 : 0x2) |
                              (r.cascadeUpdates ? 0x100 : 0) | (r.cascadeDeletes ? 0x1000 : 0) |
                              (r.join == "left" ? 0x1000000 : 0) |
                              (r.join == "right" ? 0x2000000 : 0);
            AddRelationshipRows(relationships, r.name, r.relatedTable,
                                r.relatedColumns.isEmpty() ? r.primaryColumns : r.relatedColumns,
                                r.primaryTable, r.primaryColumns, grbit);
            QCOMPARE(objects.value(r.name)["type"].toInt(), 8);
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

    // What mdbtools (libmdb) reads of the same file: every property with its
    // value by type (mdb-prop), and every index with its uniqueness and
    // sort orders and every relationship with its cascades (mdb-schema).
    // libmdb shows no index's ignore-nulls and required flags, a primary
    // key's sort orders, one-to-one or join rules, or hyperlinks.
    void checkMdbTools(bool jet3) {
        QFETCH(TestDatabase, database);
        if (jet3)
            for (TestTable &t : database.tables)
                for (TestColumn &c : t.columns)
                    c.precision = c.scale = 0;
        const QString path = write(database, jet3);
        const QString charset = jet3 ? QStringLiteral("CP932") : QString();
        // mdb-schema's PostgreSQL names, in lower case and quoted.
        const auto quoted = [](const QString &name) {
            return QLatin1Char('"') + name.toLower() + QLatin1Char('"');
        };
        const auto quotedList = [&](const QStringList &names, const QStringList &descending = {}) {
            QStringList out;
            for (const QString &n : names)
                out << quoted(n) + (descending.contains(n) ? QStringLiteral(" DESC") : QString());
            return out.join(QStringLiteral(", "));
        };
        struct Row {
            QString table, column, referencedTable, referencedColumn;
            bool enforced, updates, deletes;
        };
        QList<Row> rows;
        for (const TestTable &t : database.tables)
            for (const TestKey &k : t.keys)
                for (int i = 0; k.kind == "foreign" && i < k.columns.size(); ++i)
                    rows << Row{
                        t.name,
                        k.columns[i],
                        k.referencedTable.isEmpty() ? t.name : k.referencedTable,
                        (k.referencedColumns.isEmpty() ? k.columns : k.referencedColumns)[i],
                        true,
                        false,
                        false};
        for (const TestRelationship &r : database.relationships)
            for (int i = 0; i < r.primaryColumns.size(); ++i)
                rows << Row{r.relatedTable,
                            (r.relatedColumns.isEmpty() ? r.primaryColumns : r.relatedColumns)[i],
                            r.primaryTable,
                            r.primaryColumns[i],
                            r.enforced,
                            r.cascadeUpdates,
                            r.cascadeDeletes};

        static const QRegularExpression foreignKey(QStringLiteral(
            "^ALTER TABLE (\"[^\"]*\") ADD CONSTRAINT \"[^\"]*\" FOREIGN KEY \\((\"[^\"]*\")\\) "
            "REFERENCES (\"[^\"]*\")\\((\"[^\"]*\")\\)( ON UPDATE CASCADE)?( ON DELETE CASCADE)?"));
        static const QRegularExpression notEnforced(
            QStringLiteral("^-- Relationship from (\"[^\"]*\") \\((\"[^\"]*\")\\) to "
                           "(\"[^\"]*\")\\((\"[^\"]*\")\\) "
                           "does not enforce integrity\\."));
        for (const TestTable &t : database.tables) {
            QCOMPARE(PropertyLines(MdbPropBlocks(path, t.name, charset)),
                     PropertyLines(ExpectedProperties(t)));

            const std::optional<QString> schema =
                RunMdbTool(QStringLiteral("mdb-schema"),
                           {QStringLiteral("--indexes"), QStringLiteral("--relations"),
                            QStringLiteral("-T"), t.name, path, QStringLiteral("postgres")},
                           charset);
            QVERIFY(schema);
            QStringList indexes, relations;
            for (const QString &line : schema->split(QLatin1Char('\n'))) {
                if (line.startsWith(QStringLiteral("CREATE INDEX")) ||
                    line.startsWith(QStringLiteral("CREATE UNIQUE INDEX")) ||
                    (line.startsWith(QStringLiteral("ALTER TABLE")) &&
                     line.contains(QStringLiteral(" PRIMARY KEY "))))
                    indexes << line;
                else if (const auto m = foreignKey.match(line); m.hasMatch())
                    relations << QStringList{m.captured(1), m.captured(2), m.captured(3),
                                             m.captured(4), m.captured(5), m.captured(6)}
                                     .join(QLatin1Char(' '));
                else if (const auto n = notEnforced.match(line); n.hasMatch())
                    relations << QStringList{n.captured(1), n.captured(2), n.captured(3),
                                             n.captured(4), QStringLiteral("not enforced")}
                                     .join(QLatin1Char(' '));
            }

            QStringList expectedIndexes;
            for (const TestKey &k : t.keys) {
                if (k.kind == "primary") // mdb-schema writes no order of a primary key
                    expectedIndexes
                        << QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 PRIMARY KEY (%3);")
                               .arg(quoted(t.name), quoted(t.name + "_pkey"),
                                    quotedList(k.columns));
                else if (k.kind != "foreign")
                    expectedIndexes
                        << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4);")
                               .arg(k.kind == "unique" ? "UNIQUE " : "",
                                    quoted(t.name + "_" + k.name + "_idx"), quoted(t.name),
                                    quotedList(k.columns, k.descending));
            }
            QCOMPARE(indexes, expectedIndexes);

            QStringList expectedRelations;
            for (const Row &r : rows) {
                if (r.table != t.name)
                    continue;
                QStringList parts = {quoted(r.table), quoted(r.column), quoted(r.referencedTable),
                                     quoted(r.referencedColumn)};
                if (r.enforced)
                    parts << (r.updates ? QStringLiteral(" ON UPDATE CASCADE") : QString())
                          << (r.deletes ? QStringLiteral(" ON DELETE CASCADE") : QString());
                else
                    parts << QStringLiteral("not enforced");
                expectedRelations << parts.join(QLatin1Char(' '));
            }
            QCOMPARE(relations, expectedRelations);
        }
    }

    void mdbToolsSeeTheDescription_data() { addDescriptionRows({"a name outside the BMP"}); }
    void mdbToolsSeeTheDescription() { checkMdbTools(false); }
    void mdbToolsSeeTheJet3Description_data() { addDescriptionRows({"a name outside the BMP"}); }
    void mdbToolsSeeTheJet3Description() { checkMdbTools(true); }

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

    // Properties take the type Access gives them unless they name one;
    // relationships are enforced, inner and on the primary columns' names
    // unless told otherwise.
    void parsesWhatAccessKeeps() {
        QString error;
        const auto database = ParseTestDatabase(
            Json(
                "{'tables': [{'name': '商品', 'description': '品物', 'validationRule': '[a]>0',"
                "             'validationText': '正の数', 'properties': {'Tag': 'x'},"
                "             'columns': [{'name': 'a', 'type': 'long', 'autoNumber': true,"
                "                          'properties': {'Required': true, 'DecimalPlaces': 2,"
                "                                         'Caption': '番号', 'Format': 'Fixed',"
                "                                         'count': 3, 'ratio': 0.5, 'flag': false,"
                "                                         'when': {'type': 'datetime',"
                "                                                  'value': '2024-04-01 09:30:00'},"
                "                                         'bytes': {'type': 'binary', 'value': "
                "'00ff'},"
                "                                         'small': {'type': 'integer', 'value': "
                "-2}}},"
                "                         {'name': 'b', 'type': 'memo', 'hyperlink': true},"
                "                         {'name': 'c', 'type': 'decimal', 'precision': 10, "
                "'scale': 4}],"
                "             'keys': [{'name': 'k', 'kind': 'unique', 'columns': ['a', 'c'],"
                "                       'descending': ['c'], 'ignoreNulls': true, 'required': "
                "true}]}],"
                " 'relationships': [{'name': 'r', 'primaryTable': '商品', 'primaryColumns': "
                "['a'],"
                "                    'relatedTable': '商品'},"
                "                   {'name': 's', 'primaryTable': '商品', 'primaryColumns': "
                "['a'],"
                "                    'relatedTable': '商品', 'relatedColumns': ['c'], "
                "'oneToOne': true,"
                "                    'enforced': true, 'cascadeUpdates': true, "
                "'cascadeDeletes': true,"
                "                    'join': 'right'}]}"),
            &error);
        QVERIFY2(database, qUtf8Printable(error));
        const TestTable &t = database->tables[0];
        QCOMPARE(t.description, QStringLiteral("品物"));
        QCOMPARE(t.validationRule, QStringLiteral("[a]>0"));
        QCOMPARE(t.validationText, QStringLiteral("正の数"));
        QCOMPARE(t.properties.size(), 1);
        QHash<QString, std::pair<QString, QVariant>> properties;
        for (const TestProperty &p : t.columns[0].properties)
            properties.insert(p.name, {p.type, p.value});
        QCOMPARE(properties.value("Required"),
                 std::make_pair(QStringLiteral("boolean"), QVariant(true)));
        QCOMPARE(properties.value("DecimalPlaces"),
                 std::make_pair(QStringLiteral("byte"), QVariant(2.0)));
        QCOMPARE(properties.value("Caption"),
                 std::make_pair(QStringLiteral("memo"), QVariant("番号")));
        QCOMPARE(properties.value("Format"),
                 std::make_pair(QStringLiteral("text"), QVariant("Fixed")));
        QCOMPARE(properties.value("count"), std::make_pair(QStringLiteral("long"), QVariant(3.0)));
        QCOMPARE(properties.value("ratio"),
                 std::make_pair(QStringLiteral("double"), QVariant(0.5)));
        QCOMPARE(properties.value("flag"),
                 std::make_pair(QStringLiteral("boolean"), QVariant(false)));
        QCOMPARE(properties.value("when"),
                 std::make_pair(QStringLiteral("datetime"),
                                QVariant(QDateTime(QDate(2024, 4, 1), QTime(9, 30), Qt::UTC))));
        QCOMPARE(properties.value("bytes"),
                 std::make_pair(QStringLiteral("binary"), QVariant(QByteArray("\x00\xff", 2))));
        QCOMPARE(properties.value("small"),
                 std::make_pair(QStringLiteral("integer"), QVariant(-2.0)));
        QVERIFY(t.columns[0].autoNumber && t.columns[1].hyperlink);
        QCOMPARE(std::make_pair(t.columns[2].precision, t.columns[2].scale), std::make_pair(10, 4));
        QCOMPARE(t.keys[0].descending, QStringList{"c"});
        QVERIFY(t.keys[0].ignoreNulls && t.keys[0].required);

        const TestRelationship &r = database->relationships[0];
        QVERIFY(r.relatedColumns.isEmpty() && r.enforced && !r.oneToOne && !r.cascadeUpdates &&
                !r.cascadeDeletes && !r.cascadeNull);
        QCOMPARE(r.join, QStringLiteral("inner"));
        const TestRelationship &s = database->relationships[1];
        QCOMPARE(s.relatedColumns, QStringList{"c"});
        QVERIFY(s.oneToOne && s.cascadeUpdates && s.cascadeDeletes);
        QCOMPARE(s.join, QStringLiteral("right"));
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

        const QByteArray table = Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', "
                                      "'type': 'long'}, {'name': 'b', 'type': 'text'}, {'name': "
                                      "'m', 'type': 'memo'}], 'keys': [{'name': 'k', 'kind': "
                                      "'unique', 'columns': ['a']}]}]");
        const auto column = [](const char *fields) {
            return Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long', ") +
                   Json(fields) + Json("}]}]}");
        };
        const auto key = [&](const char *fields) {
            return Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], "
                        "'keys': [{'name': 'k', 'columns': ['a'], ") +
                   Json(fields) + Json("}]}]}");
        };
        const auto relationship = [&](const char *fields) {
            return table + Json(", 'relationships': [{'name': 'r', 'primaryTable': 't', ") +
                   Json(fields) + Json("}]}");
        };
        QTest::newRow("property of another type")
            << column("'properties': {'Required': 'yes'}")
            << "tables[0].columns[0].properties.Required: expected true or false";
        QTest::newRow("byte property out of range")
            << column("'properties': {'DecimalPlaces': 256}")
            << "tables[0].columns[0].properties.DecimalPlaces: a byte is a whole number";
        QTest::newRow("property of no type")
            << column("'properties': {'x': {'type': 'currency', 'value': 1}}")
            << "tables[0].columns[0].properties.x.type: unknown type";
        QTest::newRow("description among the properties")
            << column("'properties': {'description': 'x'}")
            << "tables[0].columns[0].properties.description: given by a field of its own";
        QTest::newRow("validation rule among a table's properties")
            << Json("{'tables': [{'name': 't', 'properties': {'ValidationRule': 'x'}}]}")
            << "tables[0].properties.ValidationRule: given by a field of its own";
        QTest::newRow("autonumber text")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'text', "
                    "'autoNumber': true}]}]}")
            << "tables[0].columns[0].autoNumber:";
        QTest::newRow("hyperlink long")
            << column("'hyperlink': true") << "tables[0].columns[0].hyperlink:";
        QTest::newRow("scale of a long") << column("'scale': 2") << "tables[0].columns[0].scale:";
        QTest::newRow("scale beyond the precision")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'decimal', "
                    "'precision': 4, 'scale': 5}]}]}")
            << "tables[0].columns[0].scale: 5 is not between 0 and the precision 4";
        QTest::newRow("descending column not in the key")
            << key("'kind': 'index', 'descending': ['b']") << "tables[0].keys[0].descending[0]:";
        QTest::newRow("descending foreign key")
            << key("'kind': 'foreign', 'descending': ['a']") << "tables[0].keys[0].descending[0]:";
        QTest::newRow("primary key ignoring nulls")
            << key("'kind': 'primary', 'ignoreNulls': true") << "tables[0].keys[0].ignoreNulls:";
        QTest::newRow("relationship to no table")
            << relationship("'primaryColumns': ['a'], 'relatedTable': 'u'")
            << "relationships[0].relatedTable: no table";
        QTest::newRow("relationship on a memo")
            << relationship("'primaryColumns': ['a'], 'relatedTable': 't', 'relatedColumns': ['m']")
            << "relationships[0].relatedColumns[0]: memo columns cannot be indexed";
        QTest::newRow("relationship of unequal columns")
            << relationship("'primaryColumns': ['a'], 'relatedTable': 't', 'relatedColumns': ['a', "
                            "'b']")
            << "relationships[0].relatedColumns: 2 columns for 1 primary columns";
        QTest::newRow("cascade without enforcing")
            << relationship("'primaryColumns': ['a'], 'relatedTable': 't', 'enforced': false, "
                            "'cascadeDeletes': true")
            << "relationships[0].cascadeDeletes: only an enforced relationship cascades";
        QTest::newRow("cascade to null")
            << relationship("'primaryColumns': ['a'], 'relatedTable': 't', 'cascadeNull': true")
            << "relationships[0].cascadeNull:";
        QTest::newRow("unknown join")
            << relationship("'primaryColumns': ['a'], 'relatedTable': 't', 'join': 'outer'")
            << "relationships[0].join: unknown join";
        QTest::newRow("relationship named as a key")
            << table + Json(", 'relationships': [{'name': 'k', 'primaryTable': 't', "
                            "'primaryColumns': ['a'], 'relatedTable': 't'}]}")
            << "relationships[0].name: the foreign-key index";
        QTest::newRow("relationship named as a foreign key")
            << Json("{'tables': [{'name': 't', 'columns': [{'name': 'a', 'type': 'long'}], 'keys': "
                    "[{'name': 'r', 'kind': 'foreign', 'columns': ['a']}]}], 'relationships': "
                    "[{'name': 'r', 'primaryTable': 't', 'primaryColumns': ['a'], 'relatedTable': "
                    "'t'}]}")
            << "relationships[0].name: another relationship or foreign key";
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
        const ToolRun tool = RunTool("quillmere-make-testdb", {description, out});
        QCOMPARE(tool.exitCode, 1);
        const QString message = QString::fromUtf8(tool.said);
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
        TestColumn decimal = Col("d", "decimal");
        decimal.precision = 10;
        QVERIFY_THROWS_EXCEPTION(Failure, WriteJet3(TestDatabase{{Tbl("t", {decimal})}, {}, {}},
                                                    dir_.filePath(QStringLiteral("refused.mdb"))));
        QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("refused.mdb"))));
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
            const ToolRun tool = RunTool("quillmere-make-testdb", {description, out});
            *message = QString::fromUtf8(tool.said);
            return tool.exitCode;
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
