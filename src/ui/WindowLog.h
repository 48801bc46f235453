#pragma once

#include <QLoggingCategory>

// The window's log, category quillmere.window: why a database did not open,
// and the reasons behind the failures the window and its hand-over show in
// their own words. On standard error.
Q_DECLARE_LOGGING_CATEGORY(lcWindow)
