#pragma once

#include <QHash>
#include <QString>

// The properties that mdbtools' mdb-prop (a peer reader of Access files,
// Debian's mdbtools) prints for the catalog entry of that name: object name
// (empty for the entry itself, "(none)" in its print) to property name to
// value as printed ("yes", "3090", "{GUID}", "(binary data of length 496)").
// mdb-prop takes the first entry of the name, of whatever kind: where a form
// has the name of a table, the form's. Fails the calling test and gives
// nothing when mdb-prop cannot be run.
QHash<QString, QHash<QString, QString>> ReadMdbProp(const QString &database, const QString &entry);
