#pragma once

#include "common/Version.h"

#include <QStringList>
#include <cstdio>
#include <optional>

// Answers --help (the help text on standard output) and --version (the
// command's name and version); the status to end with when one was asked,
// nothing when the command is to run. Needs nothing but the arguments, so
// that the program answers before it looks for a display.
inline std::optional<int> AnswerHelpOrVersion(const char *command, const QStringList &args,
                                              const char *help) {
    if (args.contains(QStringLiteral("--help"))) {
        std::fputs(help, stdout);
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("%s %d.%d.%d\n", command, Version::Major, Version::Minor, Version::Revision);
        return 0;
    }
    return std::nullopt;
}
