#include "Application.h"
#include "ApplicationIdentity.h"
#include "DesktopPresenter.h"
#include "HandOverFolders.h"
#include "Icons.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(ApplicationIdentity::Title());
    QApplication::setApplicationVersion(ApplicationIdentity::VersionText());
    QApplication::setWindowIcon(Icons::Icon(QStringLiteral("output")));

    // The workbooks of earlier runs have long been read by the desktop.
    HandOverFolders().removeStale();

    frmMain window;
    // Workbooks open on the desktop; where that fails, the window says why.
    spreadsheet::Application::setPresenter(
        std::make_shared<DesktopPresenter>([&window](const QString &message) { window.showMessage(message); }));
    window.show();
    const int status = app.exec();
    spreadsheet::Application::setPresenter(nullptr);
    return status;
}
