#include "reader/TableDesign.h"

#include "reader/DefinitionBytes.h"
#include "reader/LongValue.h"
#include "reader/PropertyList.h"
#include "reader/RowScanner.h"
#include "reader/TableDefinition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

// Stored column types that libmdb has no name for.
constexpr int StoredAttachment = 0x11;
constexpr int StoredBigInt = 0x13;

// The index types of a table definition.
constexpr int PrimaryKeyIndex = 1;
constexpr int ForeignKeyIndex = 2;

// ADO's DataTypeEnum codes.
namespace Ado {
constexpr int SmallInt = 2, Integer = 3, Single = 4, Double = 5, Currency = 6, Date = 7,
              Boolean = 11, Variant = 12, UnsignedTinyInt = 17, BigInt = 20, Guid = 72,
              Binary = 128, WChar = 130, Numeric = 131, LongVarWChar = 203, VarBinary = 204,
              LongVarBinary = 205, VarWChar = 202;
}

// A table's property list is a few hundred bytes per column; a stored
// length beyond this is damage.
constexpr size_t PropertyListLimit = size_t{16} << 20;

struct TableDefDeleter {
    void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); }
};

MdbColumn *ColumnAt(MdbTableDef *table, unsigned int i) {
    return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
}

// libmdb gives an index's columns as 1-based positions in the table's
// column list (in column number order), whatever numbers the file stores.
const MdbColumn *ColumnAtPosition(MdbTableDef *table, int position) {
    if (position < 1 || static_cast<unsigned int>(position) > table->columns->len)
        return nullptr;
    return ColumnAt(table, static_cast<unsigned int>(position - 1));
}

void WriteKeyColumns(MdbTableDef *table, const MdbIndex *index, JsonWriter &out) {
    out.key("columns").beginArray();
    for (unsigned int k = 0; k < index->num_keys && k < MDB_MAX_IDX_COLS; ++k)
        if (const MdbColumn *col = ColumnAtPosition(table, index->key_col_num[k]))
            out.value(std::string_view(col->name));
    out.endArray();
}

// libmdb lists a foreign-key index on both tables of a relationship and gives
// neither its columns. The referencing table's index carries the
// relationship's name; its columns are the relationship's rows in order.
bool WriteForeignKey(const CatalogObject &table, const MdbIndex *index,
                     const std::vector<RelationshipColumn> &relationships, JsonWriter &out) {
    std::vector<const RelationshipColumn *> columns;
    for (const auto &r : relationships)
        if (r.relationship == index->name && r.table == table.name &&
            !(r.flags & RelationFlag::NotEnforced))
            columns.push_back(&r);
    if (columns.empty())
        return false;
    std::stable_sort(columns.begin(), columns.end(),
                     [](auto *a, auto *b) { return a->order < b->order; });
    out.beginObject().key("name").value(std::string_view(index->name));
    out.key("columns").beginArray();
    for (const auto *c : columns)
        out.value(c->column);
    out.endArray().endObject();
    return true;
}

TextDecoder StoredTextDecoder(MdbHandle *mdb) {
    return [mdb](std::string_view stored) {
        return StoredTextAsUtf8(mdb, stored.data(), static_cast<int>(stored.size()));
    };
}

// The table's property list, by object; empty when the table has none or it
// is damaged.
std::vector<ObjectProperties> ReadProperties(MdbHandle *mdb, const std::string *propertyField) {
    if (!propertyField)
        return {};
    const auto list = ReadLongValue(mdb, *propertyField, PropertyListLimit);
    if (!list)
        return {};
    // Texts in the list are stored as names are: decode them the same way.
    return ReadPropertyList(*list, StoredTextDecoder(mdb))
        .value_or(std::vector<ObjectProperties>{});
}

const std::vector<StoredProperty> *PropertiesOf(const std::vector<ObjectProperties> &objects,
                                                std::string_view object) {
    for (const auto &o : objects)
        if (o.object == object)
            return &o.properties;
    return nullptr;
}

// What the column's designer wrote about it: its Description, when stored as a text.
std::string DescriptionIn(const std::vector<StoredProperty> *properties) {
    constexpr unsigned Text = 10, Memo = 12;
    std::string description;
    if (properties)
        for (const auto &p : *properties)
            if (p.name == "Description" && (p.storedType == Text || p.storedType == Memo))
                description = p.value.text;
    return description;
}

void WriteProperties(const std::vector<StoredProperty> *properties, JsonWriter &out) {
    if (!properties || properties->empty())
        return;
    out.key("properties").beginArray();
    for (const auto &p : *properties) {
        using Kind = PropertyValue::Kind;
        if (p.value.kind == Kind::Real && !std::isfinite(p.value.real))
            continue; // JSON has no such number
        out.beginObject().key("name").value(p.name).key("value");
        switch (p.value.kind) {
        case Kind::Text:
            out.value(p.value.text);
            break;
        case Kind::Boolean:
            out.boolean(p.value.boolean);
            break;
        case Kind::Integer:
            out.value(p.value.integer);
            break;
        case Kind::Real:
            out.value(p.value.real);
            break;
        }
        out.key("ddl").boolean(p.ddl).endObject();
    }
    out.endArray();
}

// What the definition says a column is beside its type: an AutoNumber, a
// hyperlink, a decimal of some precision and scale (which Jet 3 has not).
void WriteColumnKind(const DefinedColumn &c, bool jet3, JsonWriter &out) {
    if (c.type == MDB_LONGINT && (c.flags & ColumnFlag::AutoNumber))
        out.key("autoNumber").value(std::string_view("increment"));
    if (c.type == MDB_REPID && (c.flags & ColumnFlag::ReplicationAutoNumber))
        out.key("autoNumber").value(std::string_view("replicationId"));
    if (c.type == MDB_MEMO && (c.flags & ColumnFlag::Hyperlink))
        out.key("hyperlink").boolean(true);
    if (c.type == MDB_NUMERIC && !jet3) {
        out.key("precision").value(int64_t{c.precision});
        out.key("scale").value(int64_t{c.scale});
    }
}

// What a complex column holds, by the catalog entry of its value type: a
// table named for the type, MSysComplexType_Attachment for attachments and
// MSysComplexType_Text, _Long and the like for the values of a multi-valued
// column.
const char *ComplexKind(const CatalogObject &table, const std::string &column,
                        const std::vector<ComplexColumn> &complexColumns,
                        const std::vector<CatalogObject> &objects) {
    static const char *const MultiValued[] = {"UnsignedByte", "Short", "Long",    "IEEESingle",
                                              "IEEEDouble",   "GUID",  "Decimal", "Text"};
    const std::string prefix = "MSysComplexType_";
    for (const auto &c : complexColumns) {
        if (c.table != table.id || c.column != column)
            continue;
        for (const auto &o : objects) {
            if (o.id != c.valueType || o.name.rfind(prefix, 0) != 0)
                continue;
            const std::string type = o.name.substr(prefix.size());
            if (type == "Attachment")
                return "attachment";
            for (const char *m : MultiValued)
                if (type == m)
                    return "multiValued";
        }
    }
    return "other";
}

void WriteIndexes(MdbTableDef *table, const std::vector<DefinedIndex> &indexes, JsonWriter &out) {
    out.key("indexes").beginArray();
    for (const auto &index : indexes) {
        out.beginObject().key("name").value(index.name).key("columns").beginArray();
        for (const auto &c : index.columns)
            out.beginObject()
                .key("name")
                .value(std::string_view(ColumnAt(table, static_cast<unsigned>(c.column))->name))
                .key("descending")
                .boolean(c.descending)
                .endObject();
        out.endArray();
        out.key("primary").boolean(index.kind == IndexKind::Primary);
        out.key("unique").boolean(index.flags & IndexFlag::Unique);
        out.key("ignoreNulls").boolean(index.flags & IndexFlag::IgnoreNulls);
        out.key("required").boolean(index.flags & IndexFlag::Required);
        out.key("foreignKey").boolean(index.kind == IndexKind::Relationship);
        out.endObject();
    }
    out.endArray();
}

// Every relationship the table is on either side of: its rows grouped by
// name, in the order the file first lists each, the columns in their order.
// A row without a name or a table cannot be placed and is passed over.
void WriteRelationships(const CatalogObject &table,
                        const std::vector<RelationshipColumn> &relationships, JsonWriter &out) {
    std::vector<std::vector<const RelationshipColumn *>> groups;
    std::unordered_map<std::string, size_t> placeOf;
    for (const auto &r : relationships) {
        if (r.relationship.empty() || r.table.empty() || r.referencedTable.empty() ||
            (r.table != table.name && r.referencedTable != table.name))
            continue;
        const auto [place, added] = placeOf.emplace(r.relationship, groups.size());
        if (added)
            groups.emplace_back();
        groups[place->second].push_back(&r);
    }
    out.key("relationships").beginArray();
    for (auto &rows : groups) {
        std::stable_sort(rows.begin(), rows.end(),
                         [](auto *a, auto *b) { return a->order < b->order; });
        const RelationshipColumn &first = *rows.front();
        out.beginObject().key("name").value(first.relationship);
        out.key("primaryTable").value(first.referencedTable).key("primaryColumns").beginArray();
        for (const auto *r : rows)
            out.value(r->referencedColumn);
        out.endArray();
        out.key("relatedTable").value(first.table).key("relatedColumns").beginArray();
        for (const auto *r : rows)
            out.value(r->column);
        out.endArray();
        const int64_t flags = first.flags;
        out.key("oneToOne").boolean(flags & RelationFlag::OneToOne);
        out.key("enforced").boolean(!(flags & RelationFlag::NotEnforced));
        out.key("cascadeUpdates").boolean(flags & RelationFlag::CascadeUpdates);
        out.key("cascadeDeletes").boolean(flags & RelationFlag::CascadeDeletes);
        out.key("cascadeNull").boolean(flags & RelationFlag::CascadeNull);
        out.key("join").value(std::string_view((flags & RelationFlag::LeftJoin)    ? "left"
                                               : (flags & RelationFlag::RightJoin) ? "right"
                                                                                   : "inner"));
        out.endObject();
    }
    out.endArray();
}

} // namespace

AdoColumnType ToAdoColumnType(int storedType, int storedSize, bool fixedLength,
                              bool twoBytesPerCharacter) {
    switch (storedType) {
    case MDB_BOOL:
        return {Ado::Boolean, 0};
    case MDB_BYTE:
        return {Ado::UnsignedTinyInt, 0};
    case MDB_INT:
        return {Ado::SmallInt, 0};
    case MDB_LONGINT:
        return {Ado::Integer, 0};
    case MDB_MONEY:
        return {Ado::Currency, 0};
    case MDB_FLOAT:
        return {Ado::Single, 0};
    case MDB_DOUBLE:
        return {Ado::Double, 0};
    case MDB_DATETIME:
        return {Ado::Date, 0};
    case MDB_BINARY:
        return {fixedLength ? Ado::Binary : Ado::VarBinary, storedSize};
    case MDB_TEXT:
        return {fixedLength ? Ado::WChar : Ado::VarWChar,
                twoBytesPerCharacter ? storedSize / 2 : storedSize};
    case MDB_OLE:
        return {Ado::LongVarBinary, 0};
    case MDB_MEMO:
        return {Ado::LongVarWChar, 0};
    case MDB_REPID:
        return {Ado::Guid, 0};
    case MDB_NUMERIC:
        return {Ado::Numeric, 0};
    case StoredBigInt:
        return {Ado::BigInt, 0};
    case StoredAttachment:
    case MDB_COMPLEX:
    default:
        return {Ado::Variant, 0};
    }
}

std::optional<ReaderFailure> WriteTableDesign(
    MdbHandle *mdb, const CatalogObject &object, const std::vector<CatalogObject> &objects,
    const std::vector<RelationshipColumn> &relationships, const std::string *propertyField,
    std::optional<std::vector<ComplexColumn>> &complexColumns, JsonWriter &out) {
    const ReaderFailure unread{FailureKind::Damaged, "テーブルの定義を読み取れません"};
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = DefinitionPage(object.id);
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", object.name.c_str());

    std::unique_ptr<MdbTableDef, TableDefDeleter> table(mdb_read_table(&entry));
    if (!table || !mdb_read_columns(table.get()))
        return unread;
    mdb_read_indices(table.get());
    if (!table->columns || !table->indices)
        return unread;

    const auto properties = ReadProperties(mdb, propertyField);
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    std::optional<TableDefinition> definition;
    if (const auto bytes = ReadDefinitionBytes(mdb, entry.table_pg))
        definition = ParseTableDefinition(*bytes, jet3, StoredTextDecoder(mdb));
    // The definition's columns stand in libmdb's order; a definition whose
    // columns do not agree with libmdb's in number and types is not used.
    bool agrees = definition && definition->columns.size() == table->columns->len;
    for (unsigned int i = 0; agrees && i < table->columns->len; ++i)
        agrees = definition->columns[i].type ==
                 static_cast<unsigned>(ColumnAt(table.get(), i)->col_type);
    if (!agrees)
        definition.reset();

    const bool twoBytesPerCharacter = !jet3;
    out.beginObject().key("columns").beginArray();
    for (unsigned int i = 0; i < table->columns->len; ++i) {
        const MdbColumn *col = ColumnAt(table.get(), i);
        const AdoColumnType ado =
            ToAdoColumnType(col->col_type, col->col_size, col->is_fixed, twoBytesPerCharacter);
        out.beginObject();
        out.key("name").value(std::string_view(col->name));
        out.key("type").value(int64_t{ado.type});
        out.key("definedSize").value(int64_t{ado.definedSize});
        const auto *columnProperties = PropertiesOf(properties, col->name);
        if (const std::string d = DescriptionIn(columnProperties); !d.empty())
            out.key("description").value(d);
        WriteProperties(columnProperties, out);
        if (definition)
            WriteColumnKind(definition->columns[i], jet3, out);
        if (col->col_type == MDB_COMPLEX) {
            if (!complexColumns)
                complexColumns = ReadComplexColumns(mdb, objects);
            out.key("complex").value(
                std::string_view(ComplexKind(object, col->name, *complexColumns, objects)));
        }
        out.endObject();
    }
    out.endArray();

    out.key("keys").beginArray();
    for (unsigned int i = 0; i < table->indices->len; ++i) {
        const auto *index = static_cast<const MdbIndex *>(g_ptr_array_index(table->indices, i));
        if (index->index_type == PrimaryKeyIndex) {
            out.beginObject().key("name").value(std::string_view(index->name));
            WriteKeyColumns(table.get(), index, out);
            out.endObject();
        } else if (index->index_type == ForeignKeyIndex) {
            WriteForeignKey(object, index, relationships, out);
        }
    }
    out.endArray();

    out.key("recordCount").value(int64_t{table->num_rows});
    WriteProperties(PropertiesOf(properties, ""), out);
    if (definition && definition->indexes)
        WriteIndexes(table.get(), *definition->indexes, out);
    WriteRelationships(object, relationships, out);
    out.endObject();
    return std::nullopt;
}
