#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names on this system are bytes, not text. Names from old media are
// often Latin-1 or Shift-JIS, which are not valid UTF-8; decoded the usual
// way each such byte becomes U+FFFD, and the name then names another file or
// none. These two functions carry every byte through a QString and back:
// valid UTF-8 decodes as usual, and each byte that is not part of a valid
// UTF-8 sequence stands as the lone low surrogate U+DC80 + (byte - 0x80),
// which no valid name decodes to.
namespace LocalFileName {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &name);

// The command line's arguments after the program's name, decoded as above.
QStringList arguments(int argc, char *argv[]);

} // namespace LocalFileName
