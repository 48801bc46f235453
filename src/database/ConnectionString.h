#pragma once

#include <QString>
#include <optional>

namespace mdlADO {

// The connection string for an Access file:
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;
// An ordinary path stands unchanged. A path that holds ";" or starts or ends
// with white space or a double quote is written as a double-quoted value
// with inner quotes doubled, so that no file name can add a key of its own
// or lose a character.
QString BuildConnectionString(const QString &databasePath);

// The database path of a connection string in either form, or nothing when
// the text is malformed, names another provider, lacks the data source or
// carries any other key.
std::optional<QString> DataSourceOf(const QString &connectionString);

} // namespace mdlADO
