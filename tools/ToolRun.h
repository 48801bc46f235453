#pragma once

#include "common/LocalFileName.h"
#include "common/Version.h"

#include <QString>
#include <cstdio>
#include <exception>
#include <optional>

// The outermost frame of the command-line tools.

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

// Runs the tool on its arguments (as the bytes given, see LocalFileName).
// Whatever the run throws is told and ends the tool with status 1, never
// with an uncaught exception.
template <typename Run>
int RunTool(const char *tool, int argc, char *argv[], Run &&run)
{
    try {
        return run(LocalFileName::arguments(argc, argv));
    } catch (const std::exception &e) {
        Say(tool, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Say(tool, QStringLiteral("an unknown failure"));
    }
    return 1;
}
