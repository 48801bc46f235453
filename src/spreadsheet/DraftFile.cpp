#include "spreadsheet/DraftFile.h"

#include "common/Failure.h"
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

// The named drafts of this process, for the signal handler to remove: fixed
// storage, since a handler may neither allocate nor lock.
struct Registration {
    enum State : int { Free, Claimed, Ready };
    std::atomic<int> state{Free};
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};
std::array<Registration, 32> registrations;

// What each of the signals did before the drafts were looked after.
struct sigaction before[NSIG];

void RemoveDraftsAndEnd(int signal, siginfo_t *info, void *context) {
    RemoveNamedDrafts();
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
void RemoveDraftsOnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigaction(signal, nullptr, &before[signal]) != 0 ||
                before[signal].sa_handler == SIG_IGN)
                continue;
            struct sigaction removal {};
            removal.sa_sigaction = RemoveDraftsAndEnd;
            removal.sa_flags = SA_SIGINFO;
            sigemptyset(&removal.sa_mask);
            sigaction(signal, &removal, nullptr);
        }
    });
}

int Register(int folder, const QByteArray &name) {
    if (name.size() > NAME_MAX)
        return -1;
    for (size_t i = 0; i < registrations.size(); ++i) {
        Registration &r = registrations[i];
        int expected = Registration::Free;
        if (!r.state.compare_exchange_strong(expected, Registration::Claimed))
            continue;
        // The handler looks only at complete names.
        r.folder = folder;
        std::memcpy(r.name, name.constData(), static_cast<size_t>(name.size()) + 1);
        r.state.store(Registration::Ready);
        return static_cast<int>(i);
    }
    return -1;
}

void Unregister(int registration) {
    if (registration >= 0)
        registrations[static_cast<size_t>(registration)].state.store(Registration::Free);
}

// A file size limit (ulimit -f) ends a process that writes past it with
// SIGXFSZ, leaving its draft behind; ignored, the write fails instead and the
// draft is removed like after any other failed write.
void FailWritesPastTheSizeLimit() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
    });
}

} // namespace

void RemoveNamedDrafts() noexcept {
    for (Registration &r : registrations)
        if (r.state.load() == Registration::Ready)
            unlinkat(r.folder, r.name, 0);
}

DraftFile::DraftFile(const OutputTarget &target, Kind kind)
    : target_(target.name()), shown_(target.shown()), mode_(target.mode()),
      replaced_(target.replaced()) {
    FailWritesPastTheSizeLimit();
    const auto cannotCreate = [this](int error) {
        throw Failure(
            FailureKind::Output,
            QStringLiteral("ファイル「%1」のフォルダにファイルを作成できません。").arg(shown_),
            SystemError(error));
    };
    folder_ = fcntl(target.folder(), F_DUPFD_CLOEXEC, 0);
    if (folder_ < 0)
        cannotCreate(errno);
    if (kind == Kind::Unnamed) {
        fd_ = openat(folder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return;
        // File systems without unnamed files say so in several ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            cannotCreate(errno);
    }
    makeNamed();
}

void DraftFile::makeNamed() {
    RemoveDraftsOnSignals();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = freshName();
        registration_ = Register(folder_, name);
        fd_ = openat(folder_, name.constData(), O_CREAT | O_EXCL | O_NOFOLLOW | O_RDWR | O_CLOEXEC,
                     0600);
        if (fd_ >= 0) {
            name_ = name;
            return;
        }
        const int error = errno;
        Unregister(registration_);
        registration_ = -1;
        if (error != EEXIST)
            throw Failure(
                FailureKind::Output,
                QStringLiteral("ファイル「%1」のフォルダにファイルを作成できません。").arg(shown_),
                SystemError(error));
    }
    throw Failure(
        FailureKind::Output,
        QStringLiteral("ファイル「%1」のフォルダにファイルを作成できません。").arg(shown_));
}

// A hidden name in the folder that nobody can guess ahead.
QByteArray DraftFile::freshName() const {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray random(16, '\0');
    for (char &c : random)
        c = Letters[QRandomGenerator::system()->bounded(static_cast<int>(sizeof Letters - 1))];
    return ".quillmere-" + random + ".draft";
}

DraftFile::~DraftFile() {
    if (!name_.isEmpty())
        unlinkat(folder_, name_.constData(), 0);
    Unregister(registration_);
    if (fd_ >= 0)
        close(fd_);
    if (folder_ >= 0)
        close(folder_);
}

QByteArray DraftFile::openName() const {
    return "/proc/self/fd/" + QByteArray::number(fd_);
}

void DraftFile::replace() {
    const auto fail = [&](int error) {
        throw Failure(FailureKind::Output,
                      QStringLiteral("ファイル「%1」を書き込めません。").arg(shown_),
                      SystemError(error));
    };
    // As editors do: the replaced file's owner and group stay, where this
    // user may give them (root may; anyone may give a group of their own).
    // Where not, the old file is left as it is rather than taken over.
    struct stat draft {};
    if (fstat(fd_, &draft) != 0)
        fail(errno);
    if (replaced_ && (draft.st_uid != replaced_->owner || draft.st_gid != replaced_->group) &&
        fchown(fd_, replaced_->owner, replaced_->group) != 0)
        throw Failure(FailureKind::Output,
                      QStringLiteral("ファイル「%1」の所有者を保てないため、置き換えませんでした。")
                          .arg(shown_),
                      SystemError(errno));
    // The mode after the owner: changing the owner clears set-user-ID bits.
    // The contents reach the disk before the name does: after a crash the
    // target holds the old file or the new one, never an empty one.
    if (fchmod(fd_, mode_ & 07777) != 0 || fsync(fd_) != 0)
        fail(errno);
    if (name_.isEmpty()) {
        // An unnamed file gets a name of its own first, then takes the
        // target's: a link cannot replace a file.
        for (int attempt = 0; name_.isEmpty(); ++attempt) {
            const QByteArray name = freshName();
            registration_ = Register(folder_, name);
            if (linkat(AT_FDCWD, openName().constData(), folder_, name.constData(),
                       AT_SYMLINK_FOLLOW) == 0) {
                name_ = name;
                break;
            }
            const int error = errno;
            Unregister(registration_);
            registration_ = -1;
            if (error != EEXIST || attempt == 100)
                fail(error);
        }
    }
    if (renameat(folder_, name_.constData(), folder_, target_.constData()) != 0)
        fail(errno);
    name_.clear();
    Unregister(registration_);
    registration_ = -1;
}

} // namespace spreadsheet
