#include "support/GuardedFifo.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

GuardedFifo::GuardedFifo(const QString &path, std::chrono::milliseconds bound)
    : path_(QFile::encodeName(path)) {
    made_ = ::mkfifo(path_.constData(), 0600) == 0;
    if (made_)
        guard_ = std::thread([this, bound] { guard(bound); });
}

GuardedFifo::~GuardedFifo() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    if (guard_.joinable())
        guard_.join();
}

void GuardedFifo::guard(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stop_.wait_for(lock, bound, [this] { return stopping_; }))
        return;
    // Without O_NONBLOCK this would wait for a reader; with it, it fails
    // unless one is there.
    const int writer = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) {
        released_ = true;
        ::close(writer);
    }
}
