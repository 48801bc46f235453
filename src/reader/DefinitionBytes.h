#pragma once

#include "reader/Mdb.h"

#include <optional>
#include <string>

// The bytes of the table definition that starts at firstPage: its first page
// whole, then the part after the header of each page it continues on. Every
// page must lie within the file and be a table definition page; a definition
// that comes back to a page it has passed, or runs past the pages a
// definition can take, is damaged. nullopt when it is.
std::optional<std::string> ReadDefinitionBytes(MdbHandle *mdb, unsigned long firstPage);
