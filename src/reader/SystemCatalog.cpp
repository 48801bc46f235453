#include "reader/SystemCatalog.h"

#include "reader/RowScanner.h"
#include "reader/TablePages.h"

#include <cstring>
#include <unordered_set>

namespace {
constexpr unsigned long CatalogDefinitionPage = 2; // MSysObjects always starts here
constexpr int64_t SystemFlag = 0x80000000;
constexpr int64_t HiddenSystemFlag = 0x00000002;
const std::string Damaged = "データベースが壊れています: ";

// The times an OLE automation date can hold, 100-01-01 to 9999-12-31 (the
// latter bound excluded): those the program takes.
constexpr double EarliestTime = -657434.0;
constexpr double LatestTime = 2958466.0;

// A stored time of a catalog entry, as it is listed. Only user tables' times
// are shown; in any other entry (MSysRelationships, read for its id) a time
// that no date-time value can hold is taken as none, rather than failing the
// whole catalog. A user table's is listed as stored, for the program to refuse.
std::optional<double> ListedTime(const CatalogObject &object, std::optional<double> stored) {
    const bool shown = std::strcmp(CatalogTypeText(object), "TABLE") == 0;
    if (stored && !shown && !(*stored >= EarliestTime && *stored < LatestTime))
        return std::nullopt;
    return stored;
}
} // namespace

std::optional<ReaderFailure> ReadCatalogObjects(MdbHandle *mdb,
                                                std::vector<CatalogObject> &objects) {
    const ReaderFailure unread{FailureKind::Damaged, "カタログを読み取れません"};
    if (const std::string problem = DefinitionPageProblem(mdb, CatalogDefinitionPage);
        !problem.empty())
        return ReaderFailure{FailureKind::Damaged, Damaged + problem};
    RowScanner rows(mdb, "MSysObjects", CatalogDefinitionPage);
    if (!rows.isOpen())
        return unread;
    const int id = rows.column("Id");
    const int name = rows.column("Name");
    const int type = rows.column("Type");
    const int flags = rows.column("Flags");
    const int created = rows.column("DateCreate");
    const int modified = rows.column("DateUpdate");
    if (id < 0 || name < 0 || type < 0 || flags < 0 || created < 0 || modified < 0)
        return unread;

    objects.clear();
    std::unordered_set<int64_t> seen;
    while (rows.next()) {
        const auto storedType = rows.integer(type);
        if (!storedType)
            continue;
        const int t = static_cast<int>(*storedType);
        if (t != ObjectType::LocalTable && t != ObjectType::OdbcLinkedTable &&
            t != ObjectType::Query && t != ObjectType::LinkedTable)
            continue;
        const auto storedId = rows.integer(id);
        const auto storedName = rows.text(name);
        if (!storedId || !storedName)
            continue;
        // A row that moved to an overflow page can be met twice.
        if (!seen.insert(*storedId).second)
            continue;

        CatalogObject object;
        object.id = *storedId;
        object.name = *storedName;
        object.type = t;
        object.flags = static_cast<uint32_t>(rows.integer(flags).value_or(0));
        const auto c = ListedTime(object, rows.dateTime(created));
        const auto m = ListedTime(object, rows.dateTime(modified));
        object.hasDates = c && m;
        object.created = c.value_or(0);
        object.modified = m.value_or(0);
        objects.push_back(std::move(object));
    }
    if (const std::string shortfall = rows.shortfall(); !shortfall.empty())
        return ReaderFailure{FailureKind::Damaged, Damaged + shortfall};
    // Every catalog lists itself, the table at its own definition page.
    if (!seen.contains(CatalogDefinitionPage))
        return ReaderFailure{FailureKind::Damaged, Damaged + "カタログに自身の項目がありません"};
    return std::nullopt;
}

std::optional<ReaderFailure> ReadRelationships(MdbHandle *mdb,
                                               const std::vector<CatalogObject> &objects,
                                               std::vector<RelationshipColumn> &result) {
    const ReaderFailure unread{FailureKind::Damaged, "リレーションシップを読み取れません"};
    result.clear();
    const CatalogObject *table = nullptr;
    for (const auto &o : objects)
        if (o.type == ObjectType::LocalTable && o.name == "MSysRelationships")
            table = &o;
    if (!table)
        return std::nullopt; // a file without relationships

    RowScanner rows(mdb, "MSysRelationships", DefinitionPage(table->id));
    if (!rows.isOpen())
        return unread;
    const int relationship = rows.column("szRelationship");
    const int object = rows.column("szObject");
    const int column = rows.column("szColumn");
    const int order = rows.column("icolumn");
    const int flags = rows.column("grbit");
    if (relationship < 0 || object < 0 || column < 0 || order < 0 || flags < 0)
        return unread;
    // Only the relationships of a table's design need the other side.
    const int referencedObject = rows.column("szReferencedObject");
    const int referencedColumn = rows.column("szReferencedColumn");

    while (rows.next()) {
        RelationshipColumn r;
        r.relationship = rows.text(relationship).value_or("");
        r.table = rows.text(object).value_or("");
        r.column = rows.text(column).value_or("");
        r.order = rows.integer(order).value_or(0);
        r.flags = rows.integer(flags).value_or(0);
        r.referencedTable = rows.text(referencedObject).value_or("");
        r.referencedColumn = rows.text(referencedColumn).value_or("");
        result.push_back(std::move(r));
    }
    if (const std::string shortfall = rows.shortfall(); !shortfall.empty())
        return ReaderFailure{FailureKind::Damaged,
                             "リレーションシップが壊れています: " + shortfall};
    return std::nullopt;
}

std::vector<ComplexColumn> ReadComplexColumns(MdbHandle *mdb,
                                              const std::vector<CatalogObject> &objects) {
    const CatalogObject *table = nullptr;
    for (const auto &o : objects)
        if (o.type == ObjectType::LocalTable && o.name == "MSysComplexColumns")
            table = &o;
    if (!table)
        return {};
    RowScanner rows(mdb, "MSysComplexColumns", DefinitionPage(table->id));
    if (!rows.isOpen())
        return {};
    const int column = rows.column("ColumnName");
    const int conceptualTable = rows.column("ConceptualTableID");
    const int valueType = rows.column("ComplexTypeObjectID");
    if (column < 0 || conceptualTable < 0 || valueType < 0)
        return {};
    std::vector<ComplexColumn> result;
    while (rows.next()) {
        const auto name = rows.text(column);
        const auto id = rows.integer(conceptualTable);
        const auto type = rows.integer(valueType);
        if (name && id && type)
            result.push_back({*id, *name, *type});
    }
    if (!rows.shortfall().empty())
        return {};
    return result;
}

std::unordered_map<int64_t, std::string> ReadPropertyFields(MdbHandle *mdb) {
    std::unordered_map<int64_t, std::string> fields;
    RowScanner rows(mdb, "MSysObjects", CatalogDefinitionPage);
    if (!rows.isOpen())
        return fields;
    const int id = rows.column("Id");
    const int type = rows.column("Type");
    const int properties = rows.column("LvProp");
    if (id < 0 || type < 0 || properties < 0)
        return fields;
    while (rows.next()) {
        if (rows.integer(type) != ObjectType::LocalTable)
            continue;
        const auto storedId = rows.integer(id);
        auto field = rows.bytes(properties);
        if (storedId && field)
            fields.emplace(*storedId, std::move(*field));
    }
    return fields;
}

const char *CatalogTypeText(const CatalogObject &object) {
    switch (object.type) {
    case ObjectType::LocalTable:
        return (object.flags & (SystemFlag | HiddenSystemFlag)) ? "SYSTEM TABLE" : "TABLE";
    case ObjectType::OdbcLinkedTable:
        return "PASS-THROUGH";
    case ObjectType::LinkedTable:
        return "LINK";
    default:
        return "VIEW";
    }
}

std::optional<ReaderFailure> CheckDefinitionPages(MdbHandle *mdb,
                                                  const std::vector<CatalogObject> &objects) {
    for (const auto &o : objects) {
        if (o.type != ObjectType::LocalTable)
            continue;
        if (const std::string problem = DefinitionPageProblem(mdb, DefinitionPage(o.id));
            !problem.empty())
            return ReaderFailure{FailureKind::Damaged,
                                 Damaged + "テーブル「" + o.name + "」: " + problem};
    }
    return std::nullopt;
}
