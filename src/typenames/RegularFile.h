#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The bytes of a regular file of at most maxSize bytes, or nothing: for a
// path that is missing or unreadable, for anything but a regular file (a
// directory, a FIFO, a device such as /dev/zero, also behind a symbolic
// link), and for a file larger than maxSize, also one that grows past it
// while it is read. Never blocks on a FIFO and never reads more than
// maxSize + 1 bytes.
std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize);
