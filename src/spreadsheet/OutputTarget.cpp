#include "spreadsheet/OutputTarget.h"

#include "common/Failure.h"
#include "common/LocalFileName.h"
#include "common/SystemError.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace spreadsheet {

namespace {

QByteArray FolderOf(const QByteArray &file) {
    const qsizetype slash = file.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : file.left(slash);
}

QByteArray NameOf(const QByteArray &file) {
    return file.mid(file.lastIndexOf('/') + 1);
}

// Whether the folder lies in /proc, whose links (/proc/self/fd/1, which
// /dev/stdout and /dev/fd/1 lead to) stand for open descriptors: a pipe, a
// terminal, or a file the shell opened to append to. Replacing what such a
// link resolves to would replace that file, not write to the descriptor.
bool IsInProc(const QByteArray &folder) {
    struct statfs system {};
    return statfs(folder.constData(), &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

} // namespace

OutputTarget::OutputTarget(OutputTarget &&other) noexcept
    : folder_(other.folder_), name_(std::move(other.name_)), shown_(std::move(other.shown_)),
      replaced_(other.replaced_), mode_(other.mode_) {
    other.folder_ = -1;
}

OutputTarget::~OutputTarget() {
    if (folder_ >= 0)
        close(folder_);
}

OutputTarget OutputTarget::of(const QString &path) {
    const auto refuse = [&](const QString &message, int error = 0) {
        throw Failure(FailureKind::Output, message.arg(path),
                      error ? SystemError(error) : QString());
    };
    QByteArray file = LocalFileName::encode(path);
    if (file.isEmpty())
        refuse(QStringLiteral("出力先のファイル名がありません。%1"));

    // A link is followed one step at a time, to the file it leads to; none
    // of its steps may stand for a descriptor.
    struct stat status {};
    int hops = 0;
    bool found = false;
    for (; (found = lstat(file.constData(), &status) == 0) && S_ISLNK(status.st_mode); ++hops) {
        if (IsInProc(FolderOf(file)))
            refuse(QStringLiteral(
                "出力先「%"
                "1」は開いているファイル記述子を指す名前です。ファイルの名前を指定してください。"));
        char target[PATH_MAX];
        const ssize_t length = readlink(file.constData(), target, sizeof target - 1);
        if (length < 0 || hops == 40)
            refuse(QStringLiteral("出力先「%1」はどこにも通じていないリンクです。"),
                   length < 0 ? errno : ELOOP);
        const QByteArray next(target, length);
        file = next.startsWith('/') ? next : FolderOf(file) + '/' + next;
    }
    if (hops > 0 && !found)
        refuse(QStringLiteral("出力先「%1」はどこにも通じていないリンクです。"), ENOENT);
    const QByteArray folder = FolderOf(file);
    if (IsInProc(folder))
        refuse(QStringLiteral(
            "出力先「%"
            "1」は開いているファイル記述子を指す名前です。ファイルの名前を指定してください。"));

    OutputTarget target;
    target.name_ = NameOf(file);
    target.shown_ = LocalFileName::decode(file);
    if (target.name_.isEmpty() || target.name_ == "." || target.name_ == "..")
        refuse(QStringLiteral("出力先「%1」は通常のファイルではありません。"));
    target.folder_ = open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (target.folder_ < 0)
        refuse(QStringLiteral("出力先「%1」のフォルダがありません。"), errno);
    if (faccessat(target.folder_, ".", W_OK | X_OK, 0) != 0)
        refuse(QStringLiteral("出力先「%1」のフォルダに書き込めません。"), errno);

    if (fstatat(target.folder_, target.name_.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(status.st_mode)) // also a link put there since it was followed
            refuse(QStringLiteral("出力先「%1」は通常のファイルではありません。"));
        if (faccessat(target.folder_, target.name_.constData(), W_OK, 0) != 0)
            refuse(QStringLiteral("出力先「%1」に書き込めません。"), errno);
        target.mode_ = status.st_mode & 07777;
        target.replaced_ = Replaced{target.mode_, status.st_uid, status.st_gid};
    } else if (errno == ENOENT) {
        const mode_t mask = umask(0);
        umask(mask);
        target.mode_ = 0666 & ~mask;
    } else {
        refuse(QStringLiteral("出力先「%1」を調べられません。"), errno);
    }
    return target;
}

bool IsSameFile(const QString &a, const QString &b) {
    struct stat first {
    }, second{};
    return stat(LocalFileName::encode(a).constData(), &first) == 0 &&
           stat(LocalFileName::encode(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace spreadsheet
