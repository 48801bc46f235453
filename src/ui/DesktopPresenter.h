#pragma once

#include "spreadsheet/WorkbookPresenter.h"
#include "ui/HandOverFolders.h"

#include <QString>
#include <QStringList>
#include <functional>

// Hands a finished workbook to the desktop's spreadsheet application: writes
// it as a template into a new hand-over folder and opens it, so that it comes
// up as a new, untitled document and the user's first save asks where. When
// that fails, the user is told where the file is, or why it could not be
// written; a folder whose workbook could not be written goes at once.
class DesktopPresenter : public spreadsheet::WorkbookPresenter {
public:
    using Opener = std::function<bool(const QString &path)>;
    using Notice = std::function<void(const QString &message)>;

    explicit DesktopPresenter(Notice tellUser, Opener open = OpenOnDesktop,
                              HandOverFolders folders = HandOverFolders());

    void present(const spreadsheet::Workbook &workbook) noexcept override;

    // While a hold lives, workbooks written wait to be opened until it ends:
    // the window tells how a run went first, and the spreadsheet
    // application then comes up above its message, not the other way round.
    class Hold {
    public:
        explicit Hold(DesktopPresenter &presenter) : presenter_(presenter) { ++presenter_.holds_; }
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        DesktopPresenter &presenter_;
    };

    // Opens the file with the desktop's application for it.
    static bool OpenOnDesktop(const QString &path);

private:
    void open(const QString &path) noexcept;

    Notice tellUser_;
    Opener open_;
    HandOverFolders folders_;
    int holds_ = 0;
    QStringList held_; // written while held, to be opened
};
