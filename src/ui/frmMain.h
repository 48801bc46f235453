#pragma once

#include "generator/Services.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class Connection;
class DesktopPresenter;
class clsOutputTableDesign;
class Prompts;
class QAction;
class QLabel;
class QLineEdit;
class QMimeData;
class QTreeWidget;
namespace Ui {
class frmMain;
}

// The main window: the open database's path, its user tables with a check
// box each, and the commands that tick tables and write their workbook.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    using GeneratorFactory =
        std::function<std::unique_ptr<clsOutputTableDesign>(const Services &services)>;

    // Databases are read, and workbooks made, with the services.
    explicit frmMain(Services services, QWidget *parent = nullptr);
    ~frmMain() override;

    // The message boxes and the file dialog; the program's own by default.
    void setPrompts(std::shared_ptr<Prompts> prompts);
    // Every message box of the window, and the hand-over's notices, go
    // through here: without the wait cursor of a running command.
    void showMessage(const QString &text);
    // Makes the generator of each output run, with the window's services; a
    // plain one by default.
    void setGeneratorFactory(GeneratorFactory factory);
    // The hand-over of the workbooks to the desktop: the presenter of every
    // run's workbook, held while the run is told.
    void setHandOver(std::shared_ptr<DesktopPresenter> handOver);

    // Shows and lists the file, as a drop of it would: for a file given on
    // the command line (a file manager's "open with"). Unlike a drop, any
    // name is taken: the desktop offers the program for every Access file.
    void openFile(const QString &path);

    // The text of a status bar panel, 1 or 2.
    QString statusPanelText(int panel) const;

public slots:
    void Form_Load();
    void txtFilename_Change();
    void txtFilename_OLEDragDrop(const QMimeData *data);
    void lsvTables_OLEDragDrop(const QMimeData *data);
    void lsvTables_KeyPress(int keyAscii);
    void Toolbar1_ButtonClick(int index);
    void mitmOpen_Click();
    void mitmExit_Click();
    void mitmSelectAll_Click();
    void mitmClear_Click();
    void mitmTooBar_Click();
    void mitmExcel_Click();
    void mitmDescriptions_Click();
    void mitmDetails_Click();
    void mitmVersion_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void connectMenus();
    void CheckAllTables(bool checked);
    void takeDroppedFile(const QMimeData *data);
    void showFile(const QString &path);
    void rebuildList(const QString &path);
    std::shared_ptr<Connection> openDatabase(const QString &path, QString *why = nullptr);
    void runOutput();
    // The panel's text, and its tool tip (none unless given).
    void setStatusPanel(int panel, const QString &text, const QString &toolTip = {});

    std::unique_ptr<Ui::frmMain> ui_;
    Services services_;
    std::shared_ptr<Prompts> prompts_;
    GeneratorFactory generatorFactory_;
    std::shared_ptr<DesktopPresenter> handOver_;
    QString lastChosenFile_;

    // The controls of the form that the window's commands work with.
    QWidget *toolbar_ = nullptr;
    QLineEdit *txtFilename_ = nullptr;
    QTreeWidget *lsvTables_ = nullptr;
    QLabel *panels_[2] = {};
    QAction *mitmTooBar_ = nullptr;
    QAction *mitmDescriptions_ = nullptr;
    QAction *mitmDetails_ = nullptr;
};
