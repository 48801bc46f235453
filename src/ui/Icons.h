#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn from the SVG files of the resources so that
// they stay sharp at any scale: "open", "checkTrue", "checkFalse", "output"
// (also the application icon) and "logo".
namespace Icons {

QIcon Icon(const QString &key);

// The picture at a size in logical pixels, for the device pixel ratio.
QPixmap Picture(const QString &key, QSize size, qreal devicePixelRatio);

} // namespace Icons
