#pragma once

#include <QString>

// The extension of a path in upper case: whatever follows its last ".", or
// the whole path when it has none ("Sales.mdb" gives "MDB",
// "C:\old.files\data" gives "FILES\DATA", "data" gives "DATA").
QString GetExtension(const QString &path);
