#include "Application.h"
#include "DesktopPresenter.h"
#include "common/Version.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString title = QString::fromLatin1(Version::ApplicationTitle);
    QApplication::setApplicationName(title);

    spreadsheet::Application::setPresenter(std::make_shared<DesktopPresenter>([title](const QString &message) {
        QMessageBox box(QMessageBox::NoIcon, title, message, QMessageBox::Ok);
        box.exec();
    }));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("%1 Version %2.%3").arg(title).arg(Version::Major).arg(Version::Revision));
    window.resize(434, 337);
    window.show();
    return app.exec();
}
