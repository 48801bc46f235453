#include "ui/HandOverFolders.h"

#include "common/Failure.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

const QString NamePrefix = QStringLiteral("quillmere-");
// What QTemporaryDir puts in place of XXXXXX: six letters or digits.
const QRegularExpression
    OwnName(QRegularExpression::anchoredPattern(QStringLiteral("quillmere-[A-Za-z0-9]{6}")));
const QByteArray MarkerText =
    QByteArrayLiteral("A workbook handed over by Quillmere; removed a day later.\n");

// The entry itself, not what a symbolic link points to.
bool IsOwnedPlainEntry(const QFileInfo &entry) {
    return !entry.isSymLink() && entry.exists() && entry.ownerId() == ::getuid();
}

} // namespace

const QString HandOverFolders::MarkerName = QStringLiteral(".quillmere-hand-over");

HandOverFolders::HandOverFolders(QString tempDirectory)
    : tempDirectory_(std::move(tempDirectory)) {}

std::unique_ptr<QTemporaryDir> HandOverFolders::create() const {
    auto folder = std::make_unique<QTemporaryDir>(
        QDir(tempDirectory_).filePath(NamePrefix + QStringLiteral("XXXXXX")));
    if (!folder->isValid())
        throw Failure(
            FailureKind::Output,
            QStringLiteral("一時フォルダを作成できません: %1").arg(folder->errorString()));
    QFile marker(folder->filePath(MarkerName));
    if (!marker.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        marker.write(MarkerText) != MarkerText.size() || !marker.flush())
        throw Failure(FailureKind::Output, QStringLiteral("一時フォルダ「%1」に書き込めません: %2")
                                               .arg(folder->path(), marker.errorString()));
    return folder;
}

int HandOverFolders::removeStale(std::chrono::seconds maxAge) const {
    int removed = 0;
    // NoSymLinks: a link named like a folder of ours is never followed.
    const QFileInfoList entries =
        QDir(tempDirectory_)
            .entryInfoList({NamePrefix + QLatin1Char('*')},
                           QDir::Dirs | QDir::NoSymLinks | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (!isOwnStaleFolder(entry.filePath(), maxAge))
            continue;
        // Removes links inside as links, without entering them.
        if (QDir(entry.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

bool HandOverFolders::isOwnStaleFolder(const QString &path, std::chrono::seconds maxAge) const {
    const QFileInfo folder(path);
    if (!OwnName.match(folder.fileName()).hasMatch() || !IsOwnedPlainEntry(folder) ||
        !folder.isDir())
        return false;
    const QFileInfo marker(QDir(path).filePath(MarkerName));
    if (!IsOwnedPlainEntry(marker) || !marker.isFile())
        return false;
    const QDateTime changed = folder.lastModified();
    return changed.isValid() && changed.secsTo(QDateTime::currentDateTime()) > maxAge.count();
}
