#include "OutputTarget.h"

#include "common/Failure.h"
#include "common/LocalFileName.h"
#include "common/SystemError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace spreadsheet {

namespace {

QByteArray FolderOf(const QByteArray &file)
{
    const qsizetype slash = file.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : file.left(slash);
}

} // namespace

OutputTarget OutputTarget::of(const QString &path)
{
    const auto refuse = [&](const QString &message, int error = 0) {
        throw Failure(message.arg(path), error ? SystemError(error) : QString());
    };
    OutputTarget target;
    target.file = LocalFileName::encode(path);
    if (target.file.isEmpty())
        refuse(QStringLiteral("出力先のファイル名がありません。%1"));

    struct stat status {};
    if (lstat(target.file.constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(target.file.constData(), nullptr), &std::free);
        if (!resolved)
            refuse(QStringLiteral("出力先「%1」はどこにも通じていないリンクです。"), errno);
        target.file = resolved.get();
    }
    if (stat(target.file.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            refuse(QStringLiteral("出力先「%1」は通常のファイルではありません。"));
        if (access(target.file.constData(), W_OK) != 0)
            refuse(QStringLiteral("出力先「%1」に書き込めません。"), errno);
        target.mode = status.st_mode & 07777;
    } else if (errno == ENOENT) {
        const mode_t mask = umask(0);
        umask(mask);
        target.mode = 0666 & ~mask;
    } else {
        refuse(QStringLiteral("出力先「%1」を調べられません。"), errno);
    }

    target.folder = FolderOf(target.file);
    if (stat(target.folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        refuse(QStringLiteral("出力先「%1」のフォルダがありません。"), errno);
    if (access(target.folder.constData(), W_OK | X_OK) != 0)
        refuse(QStringLiteral("出力先「%1」のフォルダに書き込めません。"), errno);
    return target;
}

bool IsSameFile(const QString &a, const QString &b)
{
    struct stat first {}, second {};
    return stat(LocalFileName::encode(a).constData(), &first) == 0 &&
           stat(LocalFileName::encode(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

} // namespace spreadsheet
