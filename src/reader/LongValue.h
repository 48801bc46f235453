#pragma once

#include "reader/Mdb.h"

#include <cstddef>
#include <optional>
#include <string>

// The bytes of a long value (an OLE or memo field) from the stored field of
// a row: the 12-byte header that gives its length and where it lies — inline
// after the header, in one row of a long-value page, or in a chain of such
// rows. Every page and row is checked against the page's bounds, a chain
// ends after at most as many rows as the value has bytes, and a value longer
// than `limit` is not read: a damaged value is nullopt, never a wild read
// or a loop.
std::optional<std::string> ReadLongValue(MdbHandle *mdb, const std::string &field, size_t limit);
