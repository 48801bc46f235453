#pragma once

#include "testdb/TestDatabase.h"

#include <QString>

// Writes the described database as an Access file in the Jet 4 format
// (Access 2000 to 2003, 4096-byte pages): the header page, the object
// catalog MSysObjects with the system tables MSysACEs, MSysQueries and
// MSysRelationships, a definition for every table with its columns and
// indexes (and the foreign-key indexes of enforced relationships), a
// catalog entry for every table, with its property list, and for every
// query, link and relationship, and a row in MSysRelationships per pair of
// related columns. Tables hold no
// rows, and queries hold no SQL. The same description always gives the
// same bytes. Throws Failure, naming the fault, for a description that
// cannot be written (see CheckTestDatabase) or a file that cannot be.
void WriteJet4(const TestDatabase &database, const QString &path);

// The same in the Jet 3 format (Access 97, 2048-byte pages), with names in
// the code page the header names: 932 (Shift_JIS) unless told otherwise.
void WriteJet3(const TestDatabase &database, const QString &path, quint16 codePage = 932);
