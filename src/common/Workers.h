#pragma once

#include <functional>
#include <memory>

class QThreadPool;

// The threads a program hands work to (see PoolTask.h): made once where the
// program starts (main, a tool's main, a test) and handed to what hands
// work on, so that threads start once, not once per reader or workbook. A
// pool of its own rather than Qt's global one: where the system will not
// start a thread (a limit on threads or on memory), Qt 6.4 keeps the work
// for a thread that never runs, and the global pool is waited for without a
// bound as the application object ends, so the process would never exit.
class Workers {
public:
    Workers();
    // No further work begins. The pool is left as it is, never destroyed:
    // its destructor would wait for its work without a bound.
    ~Workers();
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;

    // Runs the work on a worker, unless the workers have been told to
    // finish before it begins. The work must not throw.
    void start(std::function<void()> work);

    // Before the process ends: no further work begins, and the work begun is
    // waited for, at most msecs. Work not begun is left: whoever wanted its
    // result took it back (PoolTask), and a thread that never started holds
    // some of it for ever.
    void letFinish(int msecs);

private:
    struct State; // shared with the work handed out, which may outlive this
    std::shared_ptr<State> state_;
    QThreadPool *pool_;
};
