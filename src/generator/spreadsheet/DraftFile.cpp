#include "DraftFile.h"

#include "common/Failure.h"
#include "common/LocalFileName.h"
#include "common/SystemError.h"

#include <QRandomGenerator>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace spreadsheet {

namespace {

QString Shown(const QByteArray &path)
{
    return LocalFileName::decode(path);
}

// The named drafts of this process, for the signal handler to remove: fixed
// storage, since a handler may neither allocate nor lock.
struct Registration {
    enum State : int { Free, Claimed, Ready };
    std::atomic<int> state{Free};
    char path[PATH_MAX] = {};
};
std::array<Registration, 32> registrations;

// What each of the signals did before the drafts were looked after.
struct sigaction before[NSIG];

void RemoveDraftsAndEnd(int signal, siginfo_t *info, void *context)
{
    for (Registration &r : registrations)
        if (r.state.load() == Registration::Ready)
            unlink(r.path);
    const struct sigaction &previous = before[signal];
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        std::signal(signal, SIG_DFL);
        raise(signal);
    }
}

// Called before the first named draft is made: the signals that end a run
// remove the drafts first, then do what they did before. A signal the
// process ignores ends nothing and is left alone.
void RemoveDraftsOnSignals()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigaction(signal, nullptr, &before[signal]) != 0 || before[signal].sa_handler == SIG_IGN)
                continue;
            struct sigaction removal {};
            removal.sa_sigaction = RemoveDraftsAndEnd;
            removal.sa_flags = SA_SIGINFO;
            sigemptyset(&removal.sa_mask);
            sigaction(signal, &removal, nullptr);
        }
    });
}

int Register(const QByteArray &path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (size_t i = 0; i < registrations.size(); ++i) {
        Registration &r = registrations[i];
        int expected = Registration::Free;
        if (!r.state.compare_exchange_strong(expected, Registration::Claimed))
            continue;
        // The handler looks only at complete paths.
        std::memcpy(r.path, path.constData(), static_cast<size_t>(path.size()) + 1);
        r.state.store(Registration::Ready);
        return static_cast<int>(i);
    }
    return -1;
}

void Unregister(int registration)
{
    if (registration >= 0)
        registrations[static_cast<size_t>(registration)].state.store(Registration::Free);
}

// A file size limit (ulimit -f) ends a process that writes past it with
// SIGXFSZ, leaving its draft behind; ignored, the write fails instead and the
// draft is removed like after any other failed write.
void FailWritesPastTheSizeLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
    });
}

} // namespace

DraftFile::DraftFile(const QByteArray &folder, Kind kind) : folder_(folder.isEmpty() ? QByteArray(".") : folder)
{
    FailWritesPastTheSizeLimit();
    if (kind == Kind::Unnamed) {
        fd_ = open(folder_.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return;
        // File systems without unnamed files say so in several ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw Failure(QStringLiteral("フォルダ「%1」にファイルを作成できません。").arg(Shown(folder_)), SystemError(errno));
    }
    makeNamed();
}

void DraftFile::makeNamed()
{
    RemoveDraftsOnSignals();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray path = freshName();
        registration_ = Register(path);
        fd_ = open(path.constData(), O_CREAT | O_EXCL | O_NOFOLLOW | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            name_ = path;
            return;
        }
        const int error = errno;
        Unregister(registration_);
        registration_ = -1;
        if (error != EEXIST)
            throw Failure(QStringLiteral("フォルダ「%1」にファイルを作成できません。").arg(Shown(folder_)), SystemError(error));
    }
    throw Failure(QStringLiteral("フォルダ「%1」にファイルを作成できません。").arg(Shown(folder_)));
}

// A hidden name in the folder that nobody can guess ahead.
QByteArray DraftFile::freshName() const
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray random(16, '\0');
    for (char &c : random)
        c = Letters[QRandomGenerator::system()->bounded(static_cast<int>(sizeof Letters - 1))];
    return folder_ + "/.quillmere-" + random + ".draft";
}

DraftFile::~DraftFile()
{
    if (!name_.isEmpty())
        unlink(name_.constData());
    Unregister(registration_);
    if (fd_ >= 0)
        close(fd_);
}

QByteArray DraftFile::openName() const
{
    return "/proc/self/fd/" + QByteArray::number(fd_);
}

void DraftFile::replace(const QByteArray &target, mode_t mode)
{
    const auto fail = [&](int error) {
        throw Failure(QStringLiteral("ファイル「%1」を書き込めません。").arg(Shown(target)), SystemError(error));
    };
    // The contents reach the disk before the name does: after a crash the
    // target holds the old file or the new one, never an empty one.
    if (fchmod(fd_, mode & 07777) != 0 || fsync(fd_) != 0)
        fail(errno);
    if (name_.isEmpty()) {
        // An unnamed file gets a name of its own first, then takes the
        // target's: a link cannot replace a file.
        for (int attempt = 0; name_.isEmpty(); ++attempt) {
            const QByteArray path = freshName();
            registration_ = Register(path);
            if (linkat(AT_FDCWD, openName().constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0) {
                name_ = path;
                break;
            }
            const int error = errno;
            Unregister(registration_);
            registration_ = -1;
            if (error != EEXIST || attempt == 100)
                fail(error);
        }
    }
    if (rename(name_.constData(), target.constData()) != 0)
        fail(errno);
    name_.clear();
    Unregister(registration_);
    registration_ = -1;
}

} // namespace spreadsheet
