#pragma once

#include "common/Failure.h"
#include "database/Connection.h"

#include <QString>
#include <memory>
#include <optional>

namespace mdlADO {

// Opens the Access file at the path through a new connection, whose reader
// starts as the readers say; nullptr for an empty path, a missing or
// unreadable file, a file that is not an Access database or one protected
// by a password. Never throws, never tells the user; whyNot, when given,
// receives the failure of a failed open (its kind, and in reasonOrMessage()
// the reason in the user's words), which also goes to the log
// (quillmere.database).
std::shared_ptr<Connection> OpenAccessConnection(const std::shared_ptr<Readers> &readers,
                                                 const QString &databasePath,
                                                 std::optional<Failure> *whyNot = nullptr);

// The same from a whole connection string.
std::shared_ptr<Connection> OpenConnectionString(const std::shared_ptr<Readers> &readers,
                                                 const QString &connectionString,
                                                 std::optional<Failure> *whyNot = nullptr);

} // namespace mdlADO
