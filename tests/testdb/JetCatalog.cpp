#include "testdb/JetCatalog.h"

#include "common/OleDateTime.h"
#include "testdb/JetTableDefinition.h"

#include <QHash>

namespace {

// MSysObjects: the parents of objects, their types and flags.
constexpr quint32 RootContainer = 0x0F000000;
constexpr quint32 TablesContainer = 0x0F000001;
constexpr quint32 DatabasesContainer = 0x0F000002;
constexpr quint32 RelationshipsContainer = 0x0F000003;
constexpr quint32 DatabaseObject = 0x10000000;
constexpr quint32 UnpagedObjects = 0x80000000; // ids of objects without a definition page

constexpr int LocalTableType = 1;
constexpr int DatabaseType = 2;
constexpr int ContainerType = 3;
constexpr int QueryType = 5;
constexpr int LinkedTableType = 6;
constexpr int RelationshipType = 8;

constexpr quint32 SystemObjectFlag = 0x80000000;
constexpr quint32 HiddenObjectFlag = 0x00000008;
constexpr quint32 LinkedAccessTableFlag = 0x00200000; // as Access marks a link to an Access table

const QString LinkedDatabase = QStringLiteral("C:\\Data\\Linked.mdb");

TestColumn Column(const char *name, const char *type, int size = 0) {
    return TestColumn{QString::fromLatin1(name), QString::fromLatin1(type), size, false, {}};
}

TestKey Index(const char *name, const char *kind, const QStringList &columns) {
    return TestKey{QString::fromLatin1(name), QString::fromLatin1(kind), columns, {}, {}};
}

} // namespace

QList<TestTable> SystemTables() {
    TestTable objects{
        "MSysObjects",
        {},
        {},
        false,
        true,
        {Column("Id", "long"), Column("ParentId", "long"), Column("Name", "text", 255),
         Column("Type", "integer"), Column("DateCreate", "datetime"),
         Column("DateUpdate", "datetime"), Column("Owner", "binary", 510), Column("Flags", "long"),
         Column("Database", "memo"), Column("Connect", "memo"), Column("ForeignName", "text", 255),
         Column("RmtInfoShort", "binary", 510), Column("RmtInfoLong", "ole"), Column("Lv", "ole"),
         Column("LvProp", "ole"), Column("LvModule", "ole"), Column("LvExtra", "ole")},
        {Index("ParentIdName", "unique", {"ParentId", "Name"}), Index("Id", "primary", {"Id"})}};
    TestTable aces{"MSysACEs",
                   {},
                   {},
                   false,
                   true,
                   {Column("ObjectId", "long"), Column("SID", "binary", 510), Column("ACM", "long"),
                    Column("FInheritable", "boolean")},
                   {Index("ObjectId", "index", {"ObjectId"})}};
    TestTable queries{"MSysQueries",
                      {},
                      {},
                      false,
                      true,
                      {Column("ObjectId", "long"), Column("Attribute", "byte"),
                       Column("Order", "binary", 510), Column("Name1", "text", 255),
                       Column("Name2", "text", 255), Column("Expression", "memo"),
                       Column("Flag", "integer"), Column("LvExtra", "long")},
                      {Index("ObjectIdAttribute", "primary", {"ObjectId", "Attribute", "Order"})}};
    TestTable relationships{"MSysRelationships",
                            {},
                            {},
                            false,
                            true,
                            {Column("szRelationship", "text", 255), Column("grbit", "long"),
                             Column("ccolumn", "long"), Column("icolumn", "long"),
                             Column("szObject", "text", 255), Column("szColumn", "text", 255),
                             Column("szReferencedObject", "text", 255),
                             Column("szReferencedColumn", "text", 255)},
                            {Index("szRelationship", "index", {"szRelationship"}),
                             Index("szObject", "index", {"szObject"}),
                             Index("szReferencedObject", "index", {"szReferencedObject"})}};
    return {objects, aces, queries, relationships};
}

namespace {

QByteArray Long(quint32 v) {
    QByteArray b;
    Le::put32(b, v);
    return b;
}

QByteArray Short(int v) {
    QByteArray b;
    Le::put16(b, v);
    return b;
}

QByteArray Time(const QDateTime &t) {
    const QDateTime at = t.isValid() ? t : DefaultTestTime();
    QByteArray b;
    Le::putDouble(b, OleDateTime::fromDateTime(at.date(), at.time()).serial());
    return b;
}

// A record of the table from its values by column name; the others are null.
QByteArray Record(const JetFormat &format, const TestTable &table,
                  const QHash<QString, QByteArray> &values) {
    QList<std::optional<QByteArray>> row;
    for (const TestColumn &c : table.columns)
        row << (values.contains(c.name) ? std::optional<QByteArray>(values.value(c.name))
                                        : std::nullopt);
    Q_ASSERT(row.size() == table.columns.size());
    return EncodeRecord(format, LayOutColumns(format, table.columns), row);
}

// A text of the property list: its length in bytes, then the bytes.
void PutPropertyText(const JetFormat &format, QByteArray &out, const QString &text) {
    const QByteArray bytes = format.encodeText(text);
    Le::put16(out, static_cast<int>(bytes.size()));
    out += bytes;
}

// A chunk of the property list: its length with this header, its kind, its body.
QByteArray PropertyChunk(int kind, const QByteArray &body) {
    QByteArray out;
    Le::put32(out, static_cast<quint32>(body.size() + 6));
    Le::put16(out, kind);
    return out + body;
}

// The table's property list as Access keeps it in LvProp: a signature, the
// list of property names, then one block of values per column that has
// any. Only descriptions are written; empty when no column has one.
QByteArray PropertyList(const JetFormat &format, const TestTable &table) {
    constexpr int NameListChunk = 0x80;
    constexpr int ColumnValuesChunk = 0x01;
    constexpr int TextPropertyType = 10;
    QByteArray names;
    PutPropertyText(format, names, QStringLiteral("Description"));
    QByteArray out = format.jet3 ? QByteArray("KKD", 4) : QByteArray("MR2", 4);
    out += PropertyChunk(NameListChunk, names);
    bool any = false;
    for (const TestColumn &c : table.columns) {
        if (c.description.isEmpty())
            continue;
        any = true;
        QByteArray header;
        PutPropertyText(format, header, c.name);
        QByteArray block;
        Le::put32(block, static_cast<quint32>(header.size() + 4));
        block += header;
        const QByteArray text = format.encodeText(c.description);
        Le::put16(block, static_cast<int>(text.size() + 8));
        Le::put8(block, 0); // not part of the design's definition
        Le::put8(block, TextPropertyType);
        Le::put16(block, 0); // the first name: Description
        Le::put16(block, static_cast<int>(text.size()));
        block += text;
        out += PropertyChunk(ColumnValuesChunk, block);
    }
    return any ? out : QByteArray();
}

} // namespace

CatalogRecords MakeCatalogRecords(const JetFormat &format, const TestDatabase &database,
                                  const QList<std::pair<const TestTable *, quint32>> &tables) {
    const auto text = [&](const QString &s) { return format.encodeText(s); };
    const TestTable &objects = *tables[ObjectsTable].first;
    const TestTable &relationships = *tables[RelationshipsTable].first;
    CatalogRecords out;
    QList<QByteArray> &records = out.objects;
    const auto entry = [&](quint32 id, quint32 parent, const QString &name, int type, quint32 flags,
                           const QDateTime &created, const QDateTime &modified) {
        return QHash<QString, QByteArray>{
            {"Id", Long(id)},      {"ParentId", Long(parent)},    {"Name", text(name)},
            {"Type", Short(type)}, {"DateCreate", Time(created)}, {"DateUpdate", Time(modified)},
            {"Flags", Long(flags)}};
    };
    const QDateTime none;
    records << Record(format, objects,
                      entry(TablesContainer, RootContainer, "Tables", ContainerType,
                            SystemObjectFlag, none, none));
    records << Record(format, objects,
                      entry(DatabasesContainer, RootContainer, "Databases", ContainerType,
                            SystemObjectFlag, none, none));
    records << Record(format, objects,
                      entry(RelationshipsContainer, RootContainer, "Relationships", ContainerType,
                            SystemObjectFlag, none, none));
    records << Record(format, objects,
                      entry(DatabaseObject, DatabasesContainer, "MSysDb", DatabaseType,
                            SystemObjectFlag, none, none));
    for (const auto &[table, page] : tables) {
        const quint32 flags =
            (table->system ? SystemObjectFlag : 0) | (table->hidden ? HiddenObjectFlag : 0);
        auto values = entry(page, TablesContainer, table->name, LocalTableType, flags,
                            table->created, table->modified);
        if (const QByteArray properties = PropertyList(format, *table); !properties.isEmpty())
            values.insert("LvProp", InlineMemo(properties));
        records << Record(format, objects, values);
    }
    quint32 unpaged = UnpagedObjects;
    for (const QString &q : database.queries)
        records << Record(format, objects,
                          entry(unpaged++, TablesContainer, q, QueryType, 0, none, none));
    for (const QString &l : database.links) {
        auto values = entry(unpaged++, TablesContainer, l, LinkedTableType, LinkedAccessTableFlag,
                            none, none);
        values.insert("Database", InlineMemo(text(LinkedDatabase)));
        values.insert("ForeignName", text(l));
        records << Record(format, objects, values);
    }

    for (const TestTable &t : database.tables) {
        for (const TestKey &k : t.keys) {
            if (k.kind != "foreign")
                continue;
            records << Record(
                format, objects,
                entry(unpaged++, RelationshipsContainer, k.name, RelationshipType, 0, none, none));
            const QString referenced = k.referencedTable.isEmpty() ? t.name : k.referencedTable;
            const QStringList columns =
                k.referencedColumns.isEmpty() ? k.columns : k.referencedColumns;
            for (int i = 0; i < k.columns.size(); ++i)
                out.relationships << Record(
                    format, relationships,
                    {{"szRelationship", text(k.name)},
                     {"grbit", Long(0)},
                     {"ccolumn", Long(static_cast<quint32>(k.columns.size()))},
                     {"icolumn", Long(static_cast<quint32>(i))},
                     {"szObject", text(t.name)},
                     {"szColumn", text(k.columns[i])},
                     {"szReferencedObject", text(referenced)},
                     {"szReferencedColumn", text(columns[i])}});
        }
    }
    return out;
}
