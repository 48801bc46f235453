#include "ui/FileExtension.h"

QString GetExtension(const QString &path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    return (dot < 0 ? path : path.mid(dot + 1)).toUpper();
}
