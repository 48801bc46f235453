#pragma once

#include <QCursor>
#include <QList>

// Takes every application override cursor off for as long as it lives and
// puts them back, in their order, when it goes: a message box that waits
// for the user must not show the wait cursor of the command that is running.
class OverrideCursorPause {
public:
    OverrideCursorPause();
    ~OverrideCursorPause();
    OverrideCursorPause(const OverrideCursorPause &) = delete;
    OverrideCursorPause &operator=(const OverrideCursorPause &) = delete;

private:
    QList<QCursor> lifted_; // the topmost first
};
