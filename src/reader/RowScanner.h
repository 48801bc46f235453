#pragma once

#include "reader/Mdb.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A text as the file stores it (a name, a description), in UTF-8: libmdb
// converts it from the file's encoding. Nothing when libmdb cannot.
std::optional<std::string> StoredTextAsUtf8(MdbHandle *mdb, const void *bytes, int size);

// Walks the rows of one table of the file through libmdb and hands out the
// raw stored values of chosen columns: texts as UTF-8, integers, and
// date-time values as the stored double (libmdb's own binding would format
// dates as text and lose the milliseconds).
class RowScanner {
public:
    RowScanner(MdbHandle *mdb, const char *tableName, unsigned long tdefPage);
    ~RowScanner();
    RowScanner(const RowScanner &) = delete;
    RowScanner &operator=(const RowScanner &) = delete;

    bool isOpen() const { return table_ != nullptr; }

    // Selects the columns to read, by name; returns a handle for each, or -1
    // for a column the table does not have.
    int column(const char *name) const;

    // Moves to the next row; false after the last one.
    bool next();

    // Once next() has returned false: why the rows handed out are not all
    // the table holds (a page its usage map names is none of its data pages
    // in the file, or the rows are fewer than its definition declares), or
    // an empty text when they are all.
    std::string shortfall() const;

    std::optional<std::string> text(int column) const;
    std::optional<int64_t> integer(int column) const;
    std::optional<double> dateTime(int column) const;
    // The field as stored, for a long value the header and any inline part.
    std::optional<std::string> bytes(int column) const;

private:
    struct Value {
        bool present = false;
        const unsigned char *bytes = nullptr;
        int size = 0;
    };
    bool crackCurrentRow();
    const Value *field(int column) const;

    MdbHandle *mdb_;
    MdbCatalogEntry entry_{};
    MdbTableDef *table_ = nullptr;
    std::vector<Value> values_;
    std::vector<unsigned char> rowCopy_;
    unsigned long rowsRead_ = 0;
};
