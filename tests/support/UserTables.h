#pragma once

#include "database/Readers.h"

#include <QStringList>
#include <memory>

// The names of the database's user tables as the catalog gives them, in the
// order the table list shows them; "(does not open)" alone when the
// database does not open, which no expected list holds.
QStringList UserTables(const std::shared_ptr<Readers> &readers, const QString &path);
