#include "support/AnsweringPrompts.h"

#include <QApplication>
#include <QCursor>

void AnsweringPrompts::message(QWidget *, const QString &text) {
    messages << text;
    cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                               : Qt::BlankCursor);
}

QString AnsweringPrompts::openFileName(QWidget *, const QStringList &offered,
                                       const QString &previous) {
    filters << offered;
    previousNames << previous;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}
