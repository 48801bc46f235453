#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What `quillmere --help` prints.
inline constexpr char CommandLineHelp[] =
    "usage: quillmere [FILE]\n"
    "\n"
    "Shows the user tables of the Access database FILE (.mdb, .accdb and the\n"
    "other Access files) in a window, where the ticked ones are written to a\n"
    "workbook that opens in the desktop's spreadsheet application. FILE is\n"
    "opened whatever its name, as a file manager's \"open with\" asks; a\n"
    "relative name is taken from the current folder.\n"
    "\n"
    "  --help     this text\n"
    "  --version  the version\n";

// The database the program was started with: `quillmere FILE`, as a file
// manager's "open with" starts it. A relative name is taken from the
// folder the program was started in; further arguments are ignored. Empty
// when none is given. Arguments come as LocalFileName decodes them, so any
// name reaches the file it names.
QString DatabaseFromCommandLine(const QStringList &arguments, const QByteArray &startFolder);
