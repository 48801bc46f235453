#pragma once

#include "ui/Prompts.h"

#include <QList>
#include <QStringList>
#include <Qt>

// Answers the windows' dialogs in a test, and keeps what they were shown:
// every message with the override cursor over it (Qt::BlankCursor for
// none); the file dialog gives the queued names in turn, then cancels.
class AnsweringPrompts : public Prompts {
public:
    void message(QWidget *parent, const QString &text) override;
    QString openFileName(QWidget *parent, const QStringList &offered,
                         const QString &previous) override;

    QStringList messages;
    QList<Qt::CursorShape> cursors;
    QStringList answers;        // what the file dialog gives
    QList<QStringList> filters; // the filters each file dialog offered
    QStringList previousNames;  // the file each file dialog started at
};
