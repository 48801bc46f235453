#pragma once

#include <QFont>

// The font of the windows: a Japanese gothic at 9 points, the size the fixed
// layouts are drawn for, with digits of half the character width so that a
// time "yyyy/mm/dd hh:mm:ss" fits its 120-pixel column; the desktop's own
// font where none of these is installed.
inline QFont WindowFont(QFont base) {
    QStringList families = {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                            QStringLiteral("VL Gothic"), QStringLiteral("TakaoGothic")};
    families << base.families();
    base.setFamilies(families);
    base.setPointSize(9);
    return base;
}
