#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <functional>

// The program's command-line tools (quillmere-make-workbook and the like),
// built into the folder of the test programs.

// The path of the tool of this name.
QString ToolPath(const QString &name);

// What a run of a tool gave: its exit status (-1 when it did not start, did
// not end in time or was ended by a signal) and what it wrote.
struct ToolRun {
    int exitCode = -1;
    QByteArray out;  // standard output
    QByteArray said; // standard error
};

// Runs the tool to its end, killing it after timeoutMs; prepare sets up the
// process before it starts (its environment, what the child does first).
ToolRun RunTool(const QString &name, const QStringList &arguments, int timeoutMs = 30000,
                const std::function<void(QProcess &)> &prepare = {});
