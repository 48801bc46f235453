#pragma once

#include "common/Workers.h"

#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <optional>

// Work handed to the workers (Workers.h) that whoever needs its result
// can always have within the time the work itself takes: when no worker has
// begun it yet, the caller takes it back and does it on its own thread. A
// worker may never come (a thread the system would not start leaves its work
// queued for ever), so nothing waits for a task that has not begun. What the
// work throws reaches the caller, never the worker's thread, where it would
// end the program.
template <typename Result> class PoolTask {
public:
    PoolTask(Workers &workers, std::function<Result()> work)
        : state_(std::make_shared<State>(std::move(work))) {
        workers.start([state = state_] { state->runOnce(); }); // catches what the work throws
    }

    // The result, or what the work threw.
    Result take() {
        state_->runOnce(); // does nothing when a worker has begun it
        return state_->result.get();
    }

private:
    struct State {
        explicit State(std::function<Result()> w)
            : work(std::move(w)), result(promise.get_future()) {}
        void runOnce() {
            if (claimed.exchange(true))
                return;
            try {
                promise.set_value(work());
            } catch (...) {
                promise.set_exception(std::current_exception());
            }
            work = nullptr; // what the work held goes with it
        }
        std::atomic<bool> claimed{false};
        std::function<Result()> work;
        std::promise<Result> promise;
        std::future<Result> result;
    };
    std::shared_ptr<State> state_;
};
