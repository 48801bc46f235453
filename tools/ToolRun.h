#pragma once

#include "common/LocalFileName.h"
#include "common/Termination.h"
#include "common/Version.h"
#include "common/Workers.h"

#include <QString>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>

// The outermost frame of the command-line tools.

// How long a tool's end waits for work the workers still hold: decoding one
// answer takes milliseconds.
constexpr int WorkersFinishMs = 5000;

// A line on standard error, "TOOL: text"; a file name in it stands as the
// bytes it was given as.
inline void Say(const char *tool, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", tool, LocalFileName::encode(text).constData());
}

// Answers --help (the help text on standard output) and --version (the
// tool's name and version); the status to end with when one was asked,
// nothing when the tool is to run.
inline std::optional<int> AnswerHelpOrVersion(const char *tool, const QStringList &args, const char *help)
{
    if (args.contains(QStringLiteral("--help"))) {
        std::fputs(help, stdout);
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("%s %d.%d.%d\n", tool, Version::Major, Version::Minor, Version::Revision);
        return 0;
    }
    return std::nullopt;
}

// What an exception that is not a Failure says, in the words of the tools.
inline QString ExceptionText(const std::exception &e)
{
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return QStringLiteral("メモリが足りません。");
    return QString::fromLocal8Bit(e.what());
}

// Runs the tool on its arguments (as the bytes given, see LocalFileName).
// Whatever the run throws is told and ends the tool with status 1, never
// with an uncaught exception; also what cannot be caught (see
// Termination.h), after cleanup.
template <typename Run>
int RunTool(const char *tool, int argc, char *argv[], Run &&run, void (*cleanup)() noexcept = nullptr)
{
    EndWithMessageOnTerminate(tool, cleanup);
    int status = 1;
    try {
        status = run(LocalFileName::arguments(argc, argv));
    } catch (const std::exception &e) {
        Say(tool, ExceptionText(e));
    } catch (...) {
        Say(tool, QStringLiteral("不明なエラーで終了しました。"));
    }
    LetWorkersFinish(WorkersFinishMs);
    return status;
}
