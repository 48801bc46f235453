#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// A FIFO made for a test, with no writer. Opening it for reading waits for
// a writer; a reader still waiting when the bound has passed is let go (a
// writer opens and closes at once, so the reader sees an empty stream), so
// that code that waits on a FIFO fails its test instead of hanging it.
class GuardedFifo {
public:
    explicit GuardedFifo(const QString &path,
                         std::chrono::milliseconds bound = std::chrono::seconds(10));
    ~GuardedFifo();
    GuardedFifo(const GuardedFifo &) = delete;
    GuardedFifo &operator=(const GuardedFifo &) = delete;

    bool isValid() const { return made_; }
    // Whether a reader had to be let go.
    bool releasedReader() const { return released_; }

private:
    void guard(std::chrono::milliseconds bound);

    const QByteArray path_;
    bool made_ = false;
    std::atomic<bool> released_{false};
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread guard_;
};
