#include "common/Version.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(Version::ApplicationTitle));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("%1 Version %2.%3")
                              .arg(QString::fromLatin1(Version::ApplicationTitle))
                              .arg(Version::Major)
                              .arg(Version::Revision));
    window.resize(434, 337);
    window.show();
    return app.exec();
}
