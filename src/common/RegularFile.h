#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/stat.h>

// A regular file opened for reading, by the exact bytes of its name (see
// LocalFileName), or why it cannot be: missing or unreadable, a folder, or
// anything else that is not a regular file (a FIFO, a device such as
// /dev/zero, also behind a symbolic link). Nothing else is ever opened, and
// the open never waits: a FIFO would wait for a writer, and opening some
// devices has effects of its own.
class OpenRegularFile {
public:
    explicit OpenRegularFile(const QString &path);
    ~OpenRegularFile();
    OpenRegularFile(const OpenRegularFile &) = delete;
    OpenRegularFile &operator=(const OpenRegularFile &) = delete;

    // The open file; -1 when it cannot be read, and problem() says why (a
    // failure of the kind CannotOpen).
    int fd() const { return problem_ ? -1 : fd_; }
    const std::optional<Failure> &problem() const { return problem_; }
    qint64 size() const { return status_.st_size; } // as the open file says
    // What fstat says of the open file: which file it is, and when it last
    // changed.
    const struct stat &status() const { return status_; }

private:
    void refuse(const QString &why) { problem_.emplace(FailureKind::CannotOpen, why); }

    int fd_ = -1;
    std::optional<Failure> problem_;
    struct stat status_ {};
};

// The bytes of a regular file of at most maxSize bytes, or nothing: for a
// file that OpenRegularFile cannot open, and for one larger than maxSize,
// also one that grows past it while it is read. Never reads more than
// maxSize + 1 bytes.
std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize);
