#include "common/HeapReuse.h"
#include "common/HelpOrVersion.h"
#include "common/LocalFileName.h"
#include "common/LocaleFreeNumbers.h"
#include "common/Termination.h"
#include "generator/Services.h"
#include "spreadsheet/DraftFile.h"
#include "ui/ApplicationIdentity.h"
#include "ui/CommandLine.h"
#include "ui/DesktopPresenter.h"
#include "ui/HandOverFolders.h"
#include "ui/Icons.h"
#include "ui/QtTranslation.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTimer>
#include <climits>
#include <unistd.h>

namespace {

QByteArray StartFolder() {
    char folder[PATH_MAX];
    return getcwd(folder, sizeof folder) ? QByteArray(folder) : QByteArray(".");
}

} // namespace

int main(int argc, char *argv[]) {
    // Answered before the application object is made, which needs a display.
    if (const auto answered =
            AnswerHelpOrVersion("quillmere", LocalFileName::arguments(argc, argv), CommandLineHelp))
        return *answered;
    // For the whole process: glibc keeps up to 4 MiB of freed heap for reuse
    // (mallopt) instead of giving it back to the system at once; a workbook
    // then takes about a tenth less time to write.
    KeepFreedHeapForReuse();
    QApplication app(argc, argv); // takes Qt's own options out of argv
    UseLocaleFreeNumbers();       // Qt took the whole locale from the environment
    EndWithMessageOnTerminate("quillmere", spreadsheet::RemoveNamedDrafts);
    LoadQtJapanese(app);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(ApplicationIdentity::Title());
    QApplication::setApplicationVersion(ApplicationIdentity::VersionText());
    // Lets the desktop match the window to its menu entry (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillmere.Quillmere"));
    QApplication::setWindowIcon(Icons::Icon(QStringLiteral("output")));

    // The workbooks of earlier runs have long been read by the desktop.
    HandOverFolders().removeStale();

    // The window's databases are read, and its workbooks made, with these.
    const Services services;
    frmMain window(services);
    // Workbooks open on the desktop; where that fails, the window says why.
    const auto handOver = std::make_shared<DesktopPresenter>(
        [&window](const QString &message) { window.showMessage(message); });
    window.setHandOver(handOver);
    window.show();
    // A file given on the command line is read once the window shows, as if
    // it had been dropped there.
    const QString database =
        DatabaseFromCommandLine(LocalFileName::arguments(argc, argv), StartFolder());
    if (!database.isEmpty())
        QTimer::singleShot(0, &window, [&window, database] { window.openFile(database); });
    const int status = app.exec();
    services.workers->letFinish(5000); // work still held then waits for a thread that never started
    return status;
}
