#include "testdb/JetCatalog.h"

#include "common/OleDateTime.h"
#include "testdb/JetPages.h"
#include "testdb/JetTableDefinition.h"

#include <QHash>
#include <algorithm>
#include <cstring>

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

// A property's value as the property list stores it.
QByteArray PropertyValue(const JetFormat &format, const TestProperty &p) {
    QByteArray out;
    const double number = p.value.toDouble();
    if (p.type == "boolean")
        Le::put8(out, p.value.toBool() ? 1 : 0);
    else if (p.type == "byte")
        Le::put8(out, static_cast<int>(number));
    else if (p.type == "integer")
        Le::put16(out, static_cast<int>(number));
    else if (p.type == "long")
        Le::put32(out, static_cast<quint32>(static_cast<qint32>(number)));
    else if (p.type == "single") {
        const float f = static_cast<float>(number);
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        Le::put32(out, bits);
    } else if (p.type == "double")
        Le::putDouble(out, number);
    else if (p.type == "datetime") {
        const QDateTime t = p.value.toDateTime();
        Le::putDouble(out, OleDateTime::fromDateTime(t.date(), t.time()).serial());
    } else if (p.type == "binary")
        out = p.value.toByteArray();
    else
        out = format.encodeText(p.value.toString());
    return out;
}

// The stored type of each kind of property value, the column types' codes.
int PropertyTypeCode(const QString &type) {
    static const QHash<QString, int> codes = {
        {"boolean", 1}, {"byte", 2},     {"integer", 3}, {"long", 4},  {"single", 6},
        {"double", 7},  {"datetime", 8}, {"binary", 9},  {"text", 10}, {"memo", 12}};
    return codes.value(type);
}

// The property list of one object, the table or a column, while the list
// of names it shares is made.
class PropertyBlock {
public:
    PropertyBlock(const JetFormat &format, QStringList &names) : format_(format), names_(names) {}

    // ddl: whether Access counts the property as part of the design (it
    // does for every one we write but the columns' descriptions, which
    // files of ours have always had without).
    void add(const QString &name, int type, const QByteArray &value, bool ddl = true) {
        int index = static_cast<int>(names_.indexOf(name));
        if (index < 0) {
            index = static_cast<int>(names_.size());
            names_ << name;
        }
        Le::put16(values_, static_cast<int>(value.size() + 8));
        Le::put8(values_, ddl ? 1 : 0);
        Le::put8(values_, type);
        Le::put16(values_, index);
        Le::put16(values_, static_cast<int>(value.size()));
        values_ += value;
    }
    void addText(const QString &name, int type, const QString &text) {
        if (!text.isEmpty())
            add(name, type, format_.encodeText(text));
    }
    void add(const TestProperty &p) {
        add(p.name, PropertyTypeCode(p.type), PropertyValue(format_, p));
    }

    bool isEmpty() const { return values_.isEmpty(); }

    // The block of values: its header with the object's name (none for the
    // table itself), then the values.
    QByteArray chunkBody(const QString &object) const {
        QByteArray header;
        PutPropertyText(format_, header, object);
        QByteArray block;
        Le::put32(block, static_cast<quint32>(header.size() + 4));
        return block + header + values_;
    }

private:
    const JetFormat &format_;
    QStringList &names_;
    QByteArray values_;
};

// The table's property list as Access keeps it in LvProp: a signature, the
// list of property names, then one block of values for the table itself
// when it has any and one per column that has any; empty when nothing has.
QByteArray PropertyList(const JetFormat &format, const TestTable &table) {
    constexpr int NameListChunk = 0x80;
    constexpr int ObjectValuesChunk = 0x00;
    constexpr int ColumnValuesChunk = 0x01;
    constexpr int TextPropertyType = 10;
    constexpr int MemoPropertyType = 12;
    // The names of a list with descriptions begin with Description.
    const bool described =
        std::any_of(table.columns.begin(), table.columns.end(),
                    [](const TestColumn &c) { return !c.description.isEmpty(); });
    QStringList names;
    if (described)
        names << QStringLiteral("Description");
    QByteArray chunks;
    PropertyBlock own(format, names);
    own.addText(QStringLiteral("Description"), TextPropertyType, table.description);
    own.addText(QStringLiteral("ValidationRule"), MemoPropertyType, table.validationRule);
    own.addText(QStringLiteral("ValidationText"), TextPropertyType, table.validationText);
    for (const TestProperty &p : table.properties)
        own.add(p);
    if (!own.isEmpty())
        chunks += PropertyChunk(ObjectValuesChunk, own.chunkBody(QString()));
    for (const TestColumn &c : table.columns) {
        PropertyBlock column(format, names);
        if (!c.description.isEmpty())
            column.add(QStringLiteral("Description"), TextPropertyType,
                       format.encodeText(c.description), false);
        for (const TestProperty &p : c.properties)
            column.add(p);
        if (!column.isEmpty())
            chunks += PropertyChunk(ColumnValuesChunk, column.chunkBody(c.name));
    }
    if (chunks.isEmpty())
        return {};
    QByteArray nameList;
    for (const QString &n : names)
        PutPropertyText(format, nameList, n);
    return (format.jet3 ? QByteArray("KKD", 4) : QByteArray("MR2", 4)) +
           PropertyChunk(NameListChunk, nameList) + chunks;
}

// A relationship's catalog entry and its rows in MSysRelationships, a row
// per pair of columns.
struct RelationshipRows {
    QString name;
    quint32 flags = 0; // grbit
    QString table;     // the related (referencing) side
    QStringList columns;
    QString referencedTable; // the primary side
    QStringList referencedColumns;
};

// MSysRelationships.grbit as DAO's Relation.Attributes gives it.
constexpr quint32 OneToOneRelationship = 0x00000001;
constexpr quint32 NotEnforcedRelationship = 0x00000002;
constexpr quint32 CascadeUpdatesRelationship = 0x00000100;
constexpr quint32 CascadeDeletesRelationship = 0x00001000;
constexpr quint32 LeftJoinRelationship = 0x01000000;
constexpr quint32 RightJoinRelationship = 0x02000000;

quint32 RelationshipFlags(const TestRelationship &r) {
    return (r.oneToOne ? OneToOneRelationship : 0) | (r.enforced ? 0 : NotEnforcedRelationship) |
           (r.cascadeUpdates ? CascadeUpdatesRelationship : 0) |
           (r.cascadeDeletes ? CascadeDeletesRelationship : 0) |
           (r.join == "left" ? LeftJoinRelationship : 0) |
           (r.join == "right" ? RightJoinRelationship : 0);
}

// The relationships of the database: every foreign key of a table, then
// those described on their own.
QList<RelationshipRows> Relationships(const TestDatabase &database) {
    QList<RelationshipRows> out;
    for (const TestTable &t : database.tables)
        for (const TestKey &k : t.keys)
            if (k.kind == "foreign")
                out << RelationshipRows{k.name,
                                        0,
                                        t.name,
                                        k.columns,
                                        k.referencedTable.isEmpty() ? t.name : k.referencedTable,
                                        k.referencedColumns.isEmpty() ? k.columns
                                                                      : k.referencedColumns};
    for (const TestRelationship &r : database.relationships)
        out << RelationshipRows{
            r.name,         RelationshipFlags(r),
            r.relatedTable, r.relatedColumns.isEmpty() ? r.primaryColumns : r.relatedColumns,
            r.primaryTable, r.primaryColumns};
    return out;
}

} // namespace

CatalogRecords MakeCatalogRecords(const JetFormat &format, const TestDatabase &database,
                                  const QList<std::pair<const TestTable *, quint32>> &tables,
                                  const LongValueStore &storeLongValue) {
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
        const QByteArray properties = PropertyList(format, *table);
        if (!properties.isEmpty())
            values.insert("LvProp", InlineMemo(properties));
        QByteArray record = Record(format, objects, values);
        if (record.size() > MaxRecordSize(format)) {
            values.insert("LvProp", storeLongValue(properties));
            record = Record(format, objects, values);
        }
        records << record;
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

    for (const RelationshipRows &r : Relationships(database)) {
        records << Record(
            format, objects,
            entry(unpaged++, RelationshipsContainer, r.name, RelationshipType, 0, none, none));
        for (int i = 0; i < r.columns.size(); ++i)
            out.relationships << Record(format, relationships,
                                        {{"szRelationship", text(r.name)},
                                         {"grbit", Long(r.flags)},
                                         {"ccolumn", Long(static_cast<quint32>(r.columns.size()))},
                                         {"icolumn", Long(static_cast<quint32>(i))},
                                         {"szObject", text(r.table)},
                                         {"szColumn", text(r.columns[i])},
                                         {"szReferencedObject", text(r.referencedTable)},
                                         {"szReferencedColumn", text(r.referencedColumns[i])}});
    }
    return out;
}
