#include "common/Workers.h"

#include <QThreadPool>
#include <chrono>
#include <condition_variable>
#include <mutex>

struct Workers::State {
    std::mutex lock;
    std::condition_variable idle;
    int working = 0;
    bool closed = false;

    // False when the workers are closed and the work is not to be begun; a
    // true begin is followed by an end.
    bool begin() {
        const std::lock_guard<std::mutex> held(lock);
        if (closed)
            return false;
        ++working;
        return true;
    }
    void end() {
        const std::lock_guard<std::mutex> held(lock);
        if (--working == 0)
            idle.notify_all();
    }
    void close() {
        const std::lock_guard<std::mutex> held(lock);
        closed = true;
    }
};

Workers::Workers() : state_(std::make_shared<State>()), pool_(new QThreadPool) {}

Workers::~Workers() {
    state_->close();
}

void Workers::start(std::function<void()> work) {
    pool_->start([state = state_, work = std::move(work)] {
        if (!state->begin())
            return;
        work();
        state->end();
    });
}

void Workers::letFinish(int msecs) {
    std::unique_lock<std::mutex> held(state_->lock);
    state_->closed = true;
    state_->idle.wait_for(held, std::chrono::milliseconds(msecs),
                          [this] { return state_->working == 0; });
}
