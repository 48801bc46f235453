#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace spreadsheet {

// Where a workbook is to be written, checked before anything is: a regular
// file this user may write, or a new name in a folder this user may write
// to. A link to a regular file stands for that file, which is then replaced
// and the link kept. Anything else (a folder, a FIFO, a device, a link that
// leads nowhere) is refused at once, never waited on or written through.
struct OutputTarget {
    QByteArray file;   // the name to replace
    QByteArray folder; // its folder, where the draft is written
    mode_t mode = 0;   // the mode the written file gets: the old file's, or the umask's

    // Throws Failure naming the path when it cannot be written as above.
    static OutputTarget of(const QString &path);
};

// Whether the two paths name one file (one inode, also through a link or a
// hard link); false when either does not exist.
bool IsSameFile(const QString &a, const QString &b);

} // namespace spreadsheet
