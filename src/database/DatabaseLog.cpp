#include "database/DatabaseLog.h"

Q_LOGGING_CATEGORY(lcDatabase, "quillmere.database")
