// quillmere-screenshot OUTPUT.png DATABASE [ROW ...]
// quillmere-screenshot --about OUTPUT.png
//
// Pictures the main window as a user sees it after opening DATABASE with the
// open command and ticking the given rows (1-based), or the about box. For
// the documentation.

#include "common/LocaleFreeNumbers.h"
#include "ui/Prompts.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

namespace {

// Answers the open command's dialog with the database.
class ChosenFile : public Prompts {
public:
    explicit ChosenFile(QString path) : path_(std::move(path)) {}
    QString openFileName(QWidget *, const QStringList &, const QString &) override { return path_; }

private:
    QString path_;
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    UseLocaleFreeNumbers(); // Qt took the whole locale from the environment
    QStringList args = app.arguments().mid(1);
    const bool about = args.removeAll(QStringLiteral("--about")) > 0;
    if (args.size() < (about ? 1 : 2)) {
        std::fprintf(stderr, "usage: quillmere-screenshot OUTPUT.png DATABASE [ROW ...]\n"
                             "       quillmere-screenshot --about OUTPUT.png\n");
        return 64;
    }
    int status = 1;
    if (about) {
        frmAbout box;
        box.show();
        QTimer::singleShot(300, [&] {
            status = box.grab().save(args[0]) ? 0 : 1;
            app.quit();
        });
        app.exec();
        return status;
    }

    const Services services;
    frmMain window(services);
    window.setPrompts(std::make_shared<ChosenFile>(args[1]));
    window.show();
    window.mitmOpen_Click();
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("lsvTables"));
    for (const QString &row : args.mid(2))
        if (QTreeWidgetItem *item = list->topLevelItem(row.toInt() - 1))
            item->setCheckState(0, Qt::Checked);
    QTimer::singleShot(300, [&] {
        status = window.grab().save(args[0]) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
