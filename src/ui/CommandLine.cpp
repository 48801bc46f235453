#include "ui/CommandLine.h"

#include "common/LocalFileName.h"

#include <QDir>

QString DatabaseFromCommandLine(const QStringList &arguments, const QByteArray &startFolder) {
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return {};
    const QString &file = arguments.first();
    if (file.startsWith(u'/'))
        return QDir::cleanPath(file);
    return QDir::cleanPath(LocalFileName::decode(startFolder) + u'/' + file);
}
