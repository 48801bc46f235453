#pragma once

#include "spreadsheet/Workbook.h"

#include <memory>
#include <vector>

namespace spreadsheet {

class Application;
class WorkbookPresenter;

class WorkbookCollection {
public:
    explicit WorkbookCollection(Application &application) : application_(application) {}
    // A new workbook with the sheets "Sheet1", "Sheet2" and "Sheet3".
    std::shared_ptr<Workbook> Add();
    int Count() const;

private:
    Application &application_;
};

class WindowCollection {
public:
    // Accepted for the known arrange styles; there is one window here.
    void Arrange(int arrangeStyle);
};

// The spreadsheet application the program drives. Every reference into it
// (workbook, sheet, range) keeps it alive. When the last one goes and the
// application is visible, each of its workbooks is handed to the presenter;
// an application never made visible discards its workbooks.
class Application : public std::enable_shared_from_this<Application> {
public:
    // A new application instance, presenting through the presenter: in the
    // program one that opens the workbook on the desktop, in the tools one
    // that writes a file, in tests their own; none discards the workbooks.
    static std::shared_ptr<Application> Create(std::shared_ptr<WorkbookPresenter> presenter);

    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    WorkbookCollection &Workbooks() { return workbookCollection_; }
    WindowCollection &Windows() { return windows_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool Visible() const { return visible_; }
    void setDisplayAlerts(bool displayAlerts) { displayAlerts_ = displayAlerts; }
    bool DisplayAlerts() const { return displayAlerts_; }

private:
    friend class WorkbookCollection;
    explicit Application(std::shared_ptr<WorkbookPresenter> presenter);

    std::shared_ptr<WorkbookPresenter> presenter_;
    WorkbookCollection workbookCollection_;
    WindowCollection windows_;
    std::vector<std::unique_ptr<Workbook>> workbooks_;
    bool visible_ = false;
    bool displayAlerts_ = true;
};

} // namespace spreadsheet
