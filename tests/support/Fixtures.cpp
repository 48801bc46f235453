#include "support/Fixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace Fixtures {

QString directory() {
    QString dir = qEnvironmentVariable("QUILLMERE_FIXTURES");
    if (dir.isEmpty())
        dir = QStringLiteral(QUILLMERE_DEFAULT_FIXTURES);
    return QDir(dir).exists() ? QDir(dir).absolutePath() : QString();
}

QString path(const QString &name) {
    return QDir(directory()).filePath(name);
}

QByteArray bytes(const QString &name) {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject expected(const QString &name) {
    QFile file(QDir(directory()).filePath(QStringLiteral("expected/%1.json").arg(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

int formatOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = file.read(0x15);
    return head.size() == 0x15 ? static_cast<unsigned char>(head[0x14]) : -1;
}

} // namespace Fixtures
