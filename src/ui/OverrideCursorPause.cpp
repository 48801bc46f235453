#include "ui/OverrideCursorPause.h"

#include <QGuiApplication>

OverrideCursorPause::OverrideCursorPause() {
    while (const QCursor *cursor = QGuiApplication::overrideCursor()) {
        lifted_ << *cursor;
        QGuiApplication::restoreOverrideCursor();
    }
}

OverrideCursorPause::~OverrideCursorPause() {
    for (auto cursor = lifted_.crbegin(); cursor != lifted_.crend(); ++cursor)
        QGuiApplication::setOverrideCursor(*cursor);
}
