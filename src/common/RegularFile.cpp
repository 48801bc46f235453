#include "common/RegularFile.h"

#include "common/LocalFileName.h"
#include "common/SystemError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a file of this kind is not read.
QString KindProblem(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("ファイルではなくフォルダです");
    return S_ISREG(mode) ? QString() : QStringLiteral("通常のファイルではありません");
}

// A missing file is said as such; anything else with the system's reason.
QString CannotOpen(int error) {
    return error == ENOENT ? SystemError(error)
                           : QStringLiteral("ファイルを開けません: %1").arg(SystemError(error));
}

} // namespace

OpenRegularFile::OpenRegularFile(const QString &path) {
    if (path.isEmpty()) {
        refuse(QStringLiteral("ファイルが指定されていません"));
        return;
    }
    const QByteArray name = LocalFileName::encode(path);
    // Refused before it is opened, and again on what was opened, since the
    // path may name something else by then.
    if (::stat(name.constData(), &status_) != 0) {
        refuse(CannotOpen(errno));
        return;
    }
    if (const QString kind = KindProblem(status_.st_mode); !kind.isEmpty()) {
        refuse(kind);
        return;
    }
    fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0)
        refuse(CannotOpen(errno));
    else if (::fstat(fd_, &status_) != 0)
        refuse(QStringLiteral("ファイルを読み取れません: %1").arg(SystemError(errno)));
    else if (const QString kind = KindProblem(status_.st_mode); !kind.isEmpty())
        refuse(kind);
}

OpenRegularFile::~OpenRegularFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize) {
    const OpenRegularFile file(path);
    if (file.fd() < 0 || maxSize < 0 || file.size() > maxSize)
        return std::nullopt;

    // Room for the size the file has now and one byte more: a file that
    // grew since is read on, up to one byte past the limit, to see it.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(file.size()) + 1);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > maxSize)
                return std::nullopt;
            bytes.resize(static_cast<qsizetype>(qMin<qint64>(qint64(got) * 2, maxSize + 1)));
        }
        const ssize_t n =
            ::read(file.fd(), bytes.data() + got, static_cast<size_t>(bytes.size() - got));
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
