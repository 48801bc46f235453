#pragma once

#include <QList>
#include <QString>

// The running child processes of this process with the given name, by pid.
QList<qint64> ChildProcesses(const QString &name);
