#pragma once

#include "reader/TextDecoder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a table definition stores of a column beyond what libmdb gives: its
// number (which the definition's indexes name it by), its stored type, its
// flags (ColumnFlag), and for a decimal column its precision and scale. Its
// name is libmdb's to decode.
struct DefinedColumn {
    unsigned number = 0;
    unsigned type = 0;
    unsigned flags = 0;
    unsigned precision = 0; // Jet 4 and later only
    unsigned scale = 0;
};

namespace ColumnFlag {
constexpr unsigned AutoNumber = 0x04;            // an incrementing long integer
constexpr unsigned ReplicationAutoNumber = 0x40; // a GUID made for each new row
constexpr unsigned Hyperlink = 0x80;             // a memo holding a hyperlink
} // namespace ColumnFlag

struct DefinedIndexColumn {
    size_t column = 0; // its place in TableDefinition::columns
    bool descending = false;
};

// One index of the table as the definition lists it (its logical index),
// with the columns and flags of the stored index it uses (IndexFlag) and
// its kind (IndexKind).
struct DefinedIndex {
    std::string name;
    std::vector<DefinedIndexColumn> columns;
    unsigned flags = 0;
    unsigned kind = 0;
};

namespace IndexFlag {
constexpr unsigned Unique = 0x01;
constexpr unsigned IgnoreNulls = 0x02;
constexpr unsigned Required = 0x08;
} // namespace IndexFlag

namespace IndexKind {
constexpr unsigned Primary = 1;
constexpr unsigned Relationship = 2; // the index behind a relationship, on either side
} // namespace IndexKind

// A table definition read from its bytes: the columns in the order of their
// numbers (libmdb's order), and the indexes in stored order, or nullopt for
// the indexes when that part of the definition is damaged. An index that
// names a stored index or a column the definition does not have is left out.
struct TableDefinition {
    std::vector<DefinedColumn> columns;
    std::optional<std::vector<DefinedIndex>> indexes;
};

// Parses the bytes of a table definition (its pages joined, each page after
// the first without its header) of a Jet 3 file or of a later format, index
// names decoded with `decode`. Every
// count and length is checked against the bytes, so damage gives less, never
// a read past them or a loop; nullopt when not even the columns can be read.
std::optional<TableDefinition> ParseTableDefinition(std::string_view bytes, bool jet3,
                                                    const TextDecoder &decode);
