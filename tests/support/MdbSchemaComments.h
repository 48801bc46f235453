#pragma once

#include <QHash>
#include <QString>

// The column descriptions that mdbtools' mdb-schema (a peer reader of
// Access files, Debian's mdbtools) finds in one table, from the comments of
// its PostgreSQL schema: column name (as that schema writes it, in lower
// case) to description. Fails the calling test and gives nothing when
// mdb-schema cannot be run.
QHash<QString, QString> MdbSchemaColumnComments(const QString &database, const QString &table);
