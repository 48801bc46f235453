#pragma once

#include "spreadsheet/OutputTarget.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace spreadsheet {

// A file that is being written and that no name leads to until it is
// complete, so that nothing at the name it is meant for is harmed before
// then: no planted link is written through, no other run's file is cut
// short, no half-written file is left behind.
//
// It is made in the target's folder, through the descriptor the target
// opened: unnamed (O_TMPFILE) where the file system allows, else under a
// fresh, unpredictable name that is created exclusively and removed again
// when the process ends by SIGINT, SIGTERM or SIGHUP (or RemoveNamedDrafts()).
// Either way it is gone with the object unless it was put in place. Writing
// it may fail (a full disk, a file size limit); then its writer reports an
// error, and the file it was to replace stays as it was.
class DraftFile {
public:
    enum class Kind { Unnamed, Named };

    // A new draft in the target's folder; Named only where the file system
    // cannot make an unnamed one, or when asked. Throws Failure.
    explicit DraftFile(const OutputTarget &target, Kind kind = Kind::Unnamed);
    ~DraftFile();
    DraftFile(const DraftFile &) = delete;
    DraftFile &operator=(const DraftFile &) = delete;

    int fd() const { return fd_; }
    // The draft for a library that opens files by name.
    QByteArray openName() const;
    // The draft's own name in its folder; empty while it has none.
    const QByteArray &name() const { return name_; }

    // Flushes the draft to the disk, gives it the mode (and the owner and
    // group) of the file it replaces, and puts it at the target's name in one
    // step: the name shows the file as it was until then and the complete
    // draft after. Where the owner cannot be kept, the old file stays and
    // this throws Failure saying so; also for any other failure.
    void replace();

private:
    void makeNamed();
    QByteArray freshName() const;

    int folder_ = -1; // the target's folder, a descriptor of the draft's own
    QByteArray target_;
    QString shown_;
    mode_t mode_ = 0;
    std::optional<OutputTarget::Replaced> replaced_;
    int fd_ = -1;
    QByteArray name_; // where the draft stands in the folder, if anywhere
    int registration_ = -1;
};

// Removes every named draft of this process; safe in a signal handler and
// where the process ends without unwinding (std::terminate).
void RemoveNamedDrafts() noexcept;

} // namespace spreadsheet
