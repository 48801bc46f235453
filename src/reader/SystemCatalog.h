#pragma once

#include "reader/Mdb.h"
#include "reader/ReaderFailure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// One row of the file's object catalog (MSysObjects) that the program lists:
// a local table, a linked table or a query.
struct CatalogObject {
    int64_t id = 0;
    std::string name;
    int type = 0; // the stored object type, see ObjectType
    int64_t flags = 0;
    double created = 0;
    double modified = 0;
    bool hasDates = false;
};

namespace ObjectType {
constexpr int LocalTable = 1;
constexpr int OdbcLinkedTable = 4;
constexpr int Query = 5;
constexpr int LinkedTable = 6;
} // namespace ObjectType

// One row of the relationship table (MSysRelationships): one column pair of
// a relationship between a referencing and a referenced table.
struct RelationshipColumn {
    std::string relationship;
    std::string table;  // the referencing table
    std::string column; // its column
    int64_t order = 0;  // position of the column in the relationship
    int64_t flags = 0;  // RelationFlag
    std::string referencedTable;
    std::string referencedColumn;
};

// The flags of a relationship (its grbit), as DAO's RelationAttributeEnum
// names them, and the one for cascading to null, which that enumeration
// does not name.
namespace RelationFlag {
constexpr int64_t OneToOne = 0x1;
constexpr int64_t NotEnforced = 0x2;
constexpr int64_t CascadeUpdates = 0x100;
constexpr int64_t CascadeDeletes = 0x1000;
constexpr int64_t CascadeNull = 0x2000;
constexpr int64_t LeftJoin = 0x1000000;
constexpr int64_t RightJoin = 0x2000000;
} // namespace RelationFlag

// One row of the complex-column table (MSysComplexColumns, Access 2007 and
// later): a column of a table (by the table's id) that holds many values,
// and the catalog entry of the table that gives the type of each value.
struct ComplexColumn {
    int64_t table = 0;
    std::string column;
    int64_t valueType = 0;
};

// The catalog entries of the kinds above, in stored order, into objects; why
// not when the catalog cannot be read in full ("the catalog is damaged: page
// 14 is not a data page").
std::optional<ReaderFailure> ReadCatalogObjects(MdbHandle *mdb,
                                                std::vector<CatalogObject> &objects);

// The rows of the relationship table, which the catalog lists as a local
// table named MSysRelationships, into result; why not when they cannot be
// read in full.
std::optional<ReaderFailure> ReadRelationships(MdbHandle *mdb,
                                               const std::vector<CatalogObject> &objects,
                                               std::vector<RelationshipColumn> &result);

// The rows of the complex-column table; none when the file has no such
// table or its rows cannot be read in full.
std::vector<ComplexColumn> ReadComplexColumns(MdbHandle *mdb,
                                              const std::vector<CatalogObject> &objects);

// The stored property-list field (LvProp) of each local table's catalog row,
// by id: only the field, whose long value ReadLongValue reads. Read when a
// table design is first asked for, never for the listing. Empty when the
// catalog has no such column or cannot be read again: no table then has
// descriptions.
std::unordered_map<int64_t, std::string> ReadPropertyFields(MdbHandle *mdb);

// The type text the program's catalog reports for an entry.
const char *CatalogTypeText(const CatalogObject &object);

// The page of an object's table definition: the low 24 bits of its id.
inline unsigned long DefinitionPage(int64_t id) {
    return static_cast<unsigned long>(id) & 0x00FFFFFFul;
}

// Whether every page of every local table's definition lies within the file
// and is a table definition page: nothing when they do, why not when one
// does not (the file is cut short or the catalog names a page that holds no
// table).
std::optional<ReaderFailure> CheckDefinitionPages(MdbHandle *mdb,
                                                  const std::vector<CatalogObject> &objects);
