#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The message boxes and the file dialog of the windows, behind one seam so
// that tests can answer them and read their texts.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A modal message box with the text, an OK button only, no icon, and the
    // application's title as caption.
    virtual void message(QWidget *parent, const QString &text);

    // The modal file-open dialog with its filters, the first one chosen,
    // starting at the file chosen before; the name chosen, or an empty
    // string when cancelled. The file need not exist. Each filter is a
    // caption ending in its patterns, "Text(*.txt;*.text)".
    virtual QString openFileName(QWidget *parent, const QStringList &filters,
                                 const QString &previous);
};
