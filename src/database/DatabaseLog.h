#pragma once

#include <QLoggingCategory>

// The database layer's log, category quillmere.database: why an open
// failed, with the kind of the failure, and what a reader process wrote to
// its standard error (libmdb's words about a damaged file, say). On standard
// error, as Qt logs; the command-line tools leave it off, since they say
// why an open failed themselves.
Q_DECLARE_LOGGING_CATEGORY(lcDatabase)
