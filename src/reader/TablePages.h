#pragma once

#include "reader/Mdb.h"

#include <string>

// Whether libmdb can read all of a table, asked of the pages themselves,
// for libmdb does not tell: a data page it cannot read ends the table's
// rows, one that is of another kind or of another table is passed over, and
// either way the rows on it are missing with no more than a line on
// standard error. A table definition continues on whatever page its last
// page names. Each check returns what is wrong, or an empty text.

// How many pages lie wholly within the file. libmdb reads a page that the
// end of the file cuts short as a whole one, filled up with zeros.
unsigned long WholePages(MdbHandle *mdb);

// Each page of the table definition that starts at firstPage lies within
// the file and is a table definition page. A definition that comes back to a
// page already checked has been checked in full.
std::string DefinitionPageProblem(MdbHandle *mdb, unsigned long firstPage);

// Each page that the table's usage map names lies within the file and is a
// data page of this table.
std::string DataPageProblem(MdbHandle *mdb, const MdbTableDef &table);
