#include "ui/Icons.h"

#include <QPainter>
#include <QSvgRenderer>

// The pictures are resources of a static library: they must be registered by
// hand before first use.
static void RegisterPictures() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

namespace Icons {

QPixmap Picture(const QString &key, QSize size, qreal devicePixelRatio) {
    RegisterPictures();
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(key));
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon Icon(const QString &key) {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64})
        icon.addPixmap(Picture(key, QSize(side, side), 1.0));
    return icon;
}

} // namespace Icons
