#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// Debian's mdbtools commands, peer readers of Access files over libmdb, run
// by tests to read back what a file holds.

// The standard output of the command as text; fails the calling test and
// gives nullopt when it cannot be run or does not succeed. Runs in the C
// locale with UTF-8, so that what it prints does not depend on the user's.
// libmdb reads the names of a Jet 3 file in jet3CharacterSet (its
// MDB_JET3_CHARSET, as iconv names it); empty: its own default.
std::optional<QString> RunMdbTool(const QString &program, const QStringList &arguments,
                                  const QString &jet3CharacterSet = {});

// What mdb-prop prints of an object's property list (MSysObjects.LvProp):
// per block, named "" for the object itself and by the column's name for a
// column, each property's value as mdb-prop writes it ("yes", "12", the
// text, …). Empty for an object without a property list; fails the calling
// test when mdb-prop cannot be run.
QHash<QString, QHash<QString, QString>>
MdbPropBlocks(const QString &database, const QString &object, const QString &jet3CharacterSet = {});
