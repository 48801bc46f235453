#pragma once

// mdbtools.h includes glib.h inside an extern "C" block, which glib's C++
// parts do not survive; including glib first makes that inner include a no-op.
#include <glib.h>
#include <mdbtools.h>
