#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The database the program was started with: `quillmere FILE`, as a file
// manager's "open with" starts it. A relative name is taken from the
// folder the program was started in; further arguments are ignored. Empty
// when none is given. Arguments come as LocalFileName decodes them, so any
// name reaches the file it names.
QString DatabaseFromCommandLine(const QStringList &arguments, const QByteArray &startFolder);
