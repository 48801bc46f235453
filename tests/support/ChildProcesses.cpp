#include "support/ChildProcesses.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

QList<qint64> ChildProcesses(const QString &name) {
    QList<qint64> pids;
    const QString parent = QStringLiteral("\nPPid:\t%1\n").arg(getpid());
    // The kernel keeps 15 characters of a process's name.
    const QString shown = QStringLiteral("Name:\t%1\n").arg(name.left(15));
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(status.readAll());
        if (text.startsWith(shown) && text.contains(parent) &&
            !text.contains(QStringLiteral("State:\tZ")))
            pids << pid.toLongLong();
    }
    return pids;
}
