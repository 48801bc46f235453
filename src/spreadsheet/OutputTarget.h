#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace spreadsheet {

// Where a workbook is to be written, checked before anything is: a regular
// file this user may write, or a new name in a folder this user may write
// to. A link to a regular file stands for that file, which is then replaced
// and the link kept. Anything else (a folder, a FIFO, a device, a link that
// leads nowhere, a name that stands for an open descriptor such as
// /dev/stdout or /proc/self/fd/1) is refused at once, never waited on or
// written through.
//
// The folder is opened once, here, and every later step works relative to
// it, so that a folder moved or replaced by a link during the run changes
// nothing outside the folder that was checked.
class OutputTarget {
public:
    // Throws Failure naming the path when it cannot be written as above.
    static OutputTarget of(const QString &path);

    OutputTarget(OutputTarget &&other) noexcept;
    OutputTarget &operator=(OutputTarget &&) = delete;
    OutputTarget(const OutputTarget &) = delete;
    ~OutputTarget();

    int folder() const { return folder_; }           // the folder, opened for *at() calls
    const QByteArray &name() const { return name_; } // the file's name in it
    const QString &shown() const { return shown_; }  // the file for messages

    // The file there now, which the workbook replaces: its mode and owner
    // are the workbook's. Nothing for a new name; it then gets the mode the
    // umask leaves.
    struct Replaced {
        mode_t mode;
        uid_t owner;
        gid_t group;
    };
    const std::optional<Replaced> &replaced() const { return replaced_; }
    mode_t mode() const { return mode_; }

private:
    OutputTarget() = default;

    int folder_ = -1;
    QByteArray name_;
    QString shown_;
    std::optional<Replaced> replaced_;
    mode_t mode_ = 0;
};

// Whether the two paths name one file (one inode, also through a link or a
// hard link); false when either does not exist.
bool IsSameFile(const QString &a, const QString &b);

} // namespace spreadsheet
