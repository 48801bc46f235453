#pragma once

#include "database/Connection.h"

#include <QString>
#include <memory>

namespace mdlADO {

// Opens the Access file at the path through a new connection, whose reader
// starts as the readers say; nullptr for an empty path, a missing or
// unreadable file, a file that is not an Access database or one protected
// by a password. Never throws, never tells the user; whyNot, when given,
// receives the reason of a failed open for the log.
std::shared_ptr<Connection> OpenAccessConnection(const std::shared_ptr<Readers> &readers,
                                                 const QString &databasePath,
                                                 QString *whyNot = nullptr);

// The same from a whole connection string.
std::shared_ptr<Connection> OpenConnectionString(const std::shared_ptr<Readers> &readers,
                                                 const QString &connectionString,
                                                 QString *whyNot = nullptr);

} // namespace mdlADO
