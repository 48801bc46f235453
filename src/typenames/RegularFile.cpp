#include "RegularFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor when the read ends, however it ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize)
{
    if (path.isEmpty() || maxSize < 0)
        return std::nullopt;
    const QByteArray name = QFile::encodeName(path);

    // Opening some devices has effects of its own, so anything but a
    // regular file is refused before it is opened; and again on what was
    // opened, since the path may name something else by then. O_NONBLOCK
    // keeps the open of a FIFO from waiting for a writer.
    struct stat status {};
    if (::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    const Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > maxSize)
        return std::nullopt;

    // Room for the size the file has now and one byte more: a file that
    // grew since is read on, up to one byte past the limit, to see it.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(status.st_size) + 1);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > maxSize)
                return std::nullopt;
            bytes.resize(static_cast<qsizetype>(qMin<qint64>(qint64(got) * 2, maxSize + 1)));
        }
        const ssize_t n = ::read(file.get(), bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}
