#include "ui/DatabaseDrop.h"

#include "common/LocalFileName.h"
#include "ui/FileExtension.h"

#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

namespace {

const QStringList DroppableExtensions = {"MDB", "ADP", "MDA", "MDE", "ADE"};

// The file a dropped URL names. Its path is the name's bytes percent-encoded,
// which need not be UTF-8: taken as bytes, a Latin-1 or Shift-JIS name
// names its file, where toLocalFile() would make up another name.
QString LocalPathOf(const QUrl &url) {
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return LocalFileName::decode(
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

} // namespace

namespace DatabaseDrop {

std::optional<Qt::DropAction> Action(const QDropEvent *event) {
    if (!event->mimeData()->hasUrls())
        return std::nullopt;
    if (event->possibleActions() & Qt::CopyAction)
        return Qt::CopyAction;
    if (event->possibleActions() & Qt::LinkAction)
        return Qt::LinkAction;
    return std::nullopt;
}

std::optional<QString> File(const QMimeData *data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty() ||
        !data->urls().constFirst().isLocalFile())
        return std::nullopt;
    const QString path = LocalPathOf(data->urls().constFirst());
    if (!DroppableExtensions.contains(GetExtension(path)))
        return std::nullopt;
    return path;
}

} // namespace DatabaseDrop
