#pragma once

#include "common/HelpOrVersion.h"
#include "common/LocalFileName.h"
#include "common/Termination.h"
#include "common/Workers.h"

#include <QLoggingCategory>
#include <QString>
#include <cstdio>
#include <exception>
#include <new>

// The outermost frame of the command-line tools.

// How long a tool's end waits for work the workers still hold: decoding one
// answer takes milliseconds.
constexpr int WorkersFinishMs = 5000;

// A line on standard error, "TOOL: text"; a file name in it stands as the
// bytes it was given as.
inline void Say(const char *tool, const QString &text) {
    std::fprintf(stderr, "%s: %s\n", tool, LocalFileName::encode(text).constData());
}

// What an exception that is not a Failure says, in the words of the tools.
inline QString ExceptionText(const std::exception &e) {
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return QStringLiteral("メモリが足りません。");
    return QString::fromLocal8Bit(e.what());
}

// Runs the tool on its arguments (as the bytes given, see LocalFileName).
// Whatever the run throws is told and ends the tool with status 1, never
// with an uncaught exception; also what cannot be caught (see
// Termination.h), after cleanup.
//
// A tool says why a database did not open in a line of its own, so the
// database layer's log (quillmere.database) is off, unless QT_LOGGING_RULES
// turns it on: it also has what the reader wrote to its standard error.
// The workers are the tool's own, let finish at its end.
template <typename Run>
int RunTool(const char *tool, Workers &workers, int argc, char *argv[], Run &&run,
            void (*cleanup)() noexcept = nullptr) {
    EndWithMessageOnTerminate(tool, cleanup);
    QLoggingCategory::setFilterRules(QStringLiteral("quillmere.database=false"));
    int status = 1;
    try {
        status = run(LocalFileName::arguments(argc, argv));
    } catch (const std::exception &e) {
        Say(tool, ExceptionText(e));
    } catch (...) {
        Say(tool, QStringLiteral("不明なエラーで終了しました。"));
    }
    workers.letFinish(WorkersFinishMs);
    return status;
}
