#include "common/Workers.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {
std::mutex lock;
std::condition_variable idle;
int working = 0;
bool closed = false;
} // namespace

QThreadPool &Workers() {
    // Never destroyed: its destructor would wait for its work without a bound.
    static QThreadPool *const pool = new QThreadPool;
    return *pool;
}

bool WorkBegins() {
    const std::lock_guard<std::mutex> held(lock);
    if (closed)
        return false;
    ++working;
    return true;
}

void WorkEnds() {
    const std::lock_guard<std::mutex> held(lock);
    if (--working == 0)
        idle.notify_all();
}

void LetWorkersFinish(int msecs) {
    std::unique_lock<std::mutex> held(lock);
    closed = true;
    idle.wait_for(held, std::chrono::milliseconds(msecs), [] { return working == 0; });
}
