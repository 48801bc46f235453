#include "ui/WindowLog.h"

Q_LOGGING_CATEGORY(lcWindow, "quillmere.window")
