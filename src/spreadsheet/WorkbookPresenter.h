#pragma once

namespace spreadsheet {

class Workbook;

// Hands a finished workbook to the user. The spreadsheet application does
// this with every workbook when the last reference to it is released while
// it is visible, also after a run that failed half way, so that nothing
// written is lost. The program shows it on the desktop; tests look at it.
class WorkbookPresenter {
public:
    virtual ~WorkbookPresenter() = default;
    // Must not throw: it runs while the application is released.
    virtual void present(const Workbook &workbook) noexcept = 0;
};

} // namespace spreadsheet
