#pragma once

#include <QStringList>

// The names of the database's user tables as the catalog gives them, in the
// order the table list shows them; "(does not open)" alone when the
// database does not open, which no expected list holds.
QStringList UserTables(const QString &path);
