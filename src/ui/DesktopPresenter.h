#pragma once

#include "HandOverFolders.h"
#include "WorkbookPresenter.h"

#include <QString>
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

    explicit DesktopPresenter(Notice tellUser, Opener open = OpenOnDesktop, HandOverFolders folders = HandOverFolders());

    void present(const spreadsheet::Workbook &workbook) noexcept override;

    // Opens the file with the desktop's application for it.
    static bool OpenOnDesktop(const QString &path);

private:
    Notice tellUser_;
    Opener open_;
    HandOverFolders folders_;
};
