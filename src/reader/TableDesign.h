#pragma once

#include "reader/JsonWriter.h"
#include "reader/SystemCatalog.h"

#include "reader/Mdb.h"
#include "reader/ReaderFailure.h"

#include <optional>
#include <string>
#include <vector>

// Writes the design of one local table: its columns in definition order with
// their ADO type codes, defined sizes and descriptions (from the table's
// stored property-list field, when there is one), and its keys (the primary key and
// the foreign keys on the referencing side of enforced relationships).
// Beside them, what else the file keeps about the table: its record count
// and properties, each column's properties and kind (AutoNumber, hyperlink,
// complex, a decimal's precision and scale), every index, and every
// relationship the table takes part in. Of these, a damaged property list or
// index part of the definition leaves out what it holds, nothing more.
// complexColumns is read from the file when a table first has a complex
// column. Why not when the table definition cannot be read; out is then
// unchanged.
std::optional<ReaderFailure> WriteTableDesign(
    MdbHandle *mdb, const CatalogObject &table, const std::vector<CatalogObject> &objects,
    const std::vector<RelationshipColumn> &relationships, const std::string *propertyField,
    std::optional<std::vector<ComplexColumn>> &complexColumns, JsonWriter &out);

// The ADO data type code and defined size of a stored column.
struct AdoColumnType {
    int type;
    int definedSize;
};
AdoColumnType ToAdoColumnType(int storedType, int storedSize, bool fixedLength,
                              bool twoBytesPerCharacter);
