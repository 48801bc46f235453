#include "reader/TableDesign.h"

#include "reader/LongValue.h"
#include "reader/PropertyList.h"
#include "reader/RowScanner.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Stored column types that libmdb has no name for.
constexpr int StoredAttachment = 0x11;
constexpr int StoredBigInt = 0x13;

// The index types of a table definition.
constexpr int PrimaryKeyIndex = 1;
constexpr int ForeignKeyIndex = 2;
constexpr int64_t NotEnforced = 0x2;

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
        if (r.relationship == index->name && r.table == table.name && !(r.flags & NotEnforced))
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

// The descriptions of the table's columns, by column name; none when the
// table has no property list or it is damaged.
ColumnTexts ReadColumnDescriptions(MdbHandle *mdb, const std::string *propertyField) {
    if (!propertyField)
        return {};
    const auto list = ReadLongValue(mdb, *propertyField, PropertyListLimit);
    if (!list)
        return {};
    // Texts in the list are stored as names are: decode them the same way.
    const TextDecoder decode = [mdb](std::string_view stored) {
        return StoredTextAsUtf8(mdb, stored.data(), static_cast<int>(stored.size()));
    };
    return ColumnDescriptions(*list, decode);
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

std::optional<ReaderFailure> WriteTableDesign(MdbHandle *mdb, const CatalogObject &object,
                                              const std::vector<RelationshipColumn> &relationships,
                                              const std::string *propertyField, JsonWriter &out) {
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

    const auto descriptions = ReadColumnDescriptions(mdb, propertyField);
    const bool twoBytesPerCharacter = mdb->f->jet_version != MDB_VER_JET3;
    out.beginObject().key("columns").beginArray();
    for (unsigned int i = 0; i < table->columns->len; ++i) {
        const MdbColumn *col = ColumnAt(table.get(), i);
        const AdoColumnType ado =
            ToAdoColumnType(col->col_type, col->col_size, col->is_fixed, twoBytesPerCharacter);
        out.beginObject();
        out.key("name").value(std::string_view(col->name));
        out.key("type").value(int64_t{ado.type});
        out.key("definedSize").value(int64_t{ado.definedSize});
        if (const auto d = descriptions.find(col->name);
            d != descriptions.end() && !d->second.empty())
            out.key("description").value(d->second);
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
    out.endArray().endObject();
    return std::nullopt;
}
