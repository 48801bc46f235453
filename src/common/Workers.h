#pragma once

#include <QThreadPool>

// The program's workers, started once and shared by everything that hands
// work to other threads (see PoolTask.h). A pool of its own rather than Qt's
// global one: where the system will not start a thread (a limit on threads
// or on memory), Qt 6.4 keeps the work for a thread that never runs, and
// the global pool is waited for without a bound as the application object
// ends, so the process would never exit.
QThreadPool &Workers();

// Around a piece of work on a worker: false when the workers are closed and
// the work is not to be begun; a true begin is followed by an end.
bool WorkBegins();
void WorkEnds();

// Before the process ends: no further work begins, and the work begun is
// waited for, at most msecs. Work not begun is left: whoever wanted its
// result took it back (PoolTask), and a thread that never started holds
// some of it for ever.
void LetWorkersFinish(int msecs);
