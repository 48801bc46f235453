#pragma once

#include "common/LocalFileName.h"

#include <QString>
#include <cstdio>
#include <exception>

// The outermost frame of the command-line tools.

// A line on standard error, "TOOL: text"; a file name in it stands as the
// bytes it was given as.
inline void Say(const char *tool, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", tool, LocalFileName::encode(text).constData());
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
