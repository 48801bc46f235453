#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The indexes and foreign keys that mdbtools' mdb-schema (a peer reader of
// Access files, Debian's mdbtools) finds in a database, from its MySQL
// schema, as lines to compare:
//   indexes, by table:  "PRIMARY KEY (A, B)", "INDEX name (A)",
//                       "UNIQUE INDEX name (A DESC, B)"
//   foreignKeys:        "Orders (CustomerID) REFERENCES Customers (CustomerID) ON UPDATE CASCADE"
// mdb-schema leaves out the indexes behind relationships and the
// relationships that are not enforced. Fails the calling test and gives
// nothing when mdb-schema cannot be run.
struct MdbSchemaKeys {
    QHash<QString, QStringList> indexes;
    QStringList foreignKeys;
};
MdbSchemaKeys ReadMdbSchemaKeys(const QString &database);
