#include "spreadsheet/Application.h"
#include "spreadsheet/XlsxFile.h"
#include "support/Files.h"
#include "support/SheetCells.h"
#include "support/WorkbookReader.h"
#include "ui/DesktopPresenter.h"
#include "ui/HandOverFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Sets the last change of a file or folder (not of what a link points to).
bool SetAge(const QString &path, int hours) {
    const time_t when = time(nullptr) - hours * 3600;
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}

} // namespace

class TestDesktopPresenter : public QObject {
    Q_OBJECT

    // Runs a visible application with one named sheet through the presenter.
    static void RunWith(const std::shared_ptr<DesktopPresenter> &presenter) {
        auto app = spreadsheet::Application::Create(presenter);
        app->setVisible(true);
        app->Workbooks().Add()->ActiveSheet()->setName(QStringLiteral("顧客"));
        app.reset();
    }

private slots:
    void opensATemplateInAPrivateFolder() {
        QStringList opened, notices;
        RunWith(std::make_shared<DesktopPresenter>([&](const QString &m) { notices << m; },
                                                   [&](const QString &path) {
                                                       opened << path;
                                                       return true;
                                                   }));
        QVERIFY(notices.isEmpty());
        QCOMPARE(opened.size(), 1);
        const QFileInfo file(opened[0]);
        QVERIFY(file.exists());
        QCOMPARE(file.suffix(), QStringLiteral("xltx"));
        QVERIFY(file.absolutePath().startsWith(QDir::tempPath()));
        QCOMPARE(QFileInfo(file.absolutePath()).permissions() &
                     (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
        // Marked, so that a later start of the program can tell it its own.
        QVERIFY(
            QFileInfo(QDir(file.absolutePath()).filePath(HandOverFolders::MarkerName)).isFile());
        const QJsonObject read = ReadWorkbook(opened[0]);
        QVERIFY(read.value("contentType").toString().contains("template"));
        QCOMPARE(SheetNames(read).value(0), QStringLiteral("顧客"));

        // The desktop's spreadsheet application opens it as a new, untitled
        // document; the same workbook written as a workbook opens as that file.
        QTemporaryDir plain;
        QVERIFY(plain.isValid());
        {
            auto app = spreadsheet::Application::Create(nullptr);
            auto book = app->Workbooks().Add();
            book->ActiveSheet()->setName(QStringLiteral("顧客"));
            spreadsheet::WriteXlsx(*book, plain.filePath("book.xlsx"));
        }
        const QJsonArray documents = OpenWithLibreOffice({opened[0], plain.filePath("book.xlsx")})
                                         .value("documents")
                                         .toArray();
        QCOMPARE(documents.size(), 2);
        QCOMPARE(documents[0].toObject().value("url").toString(), QString());
        QCOMPARE(documents[0].toObject().value("sheets").toArray()[0].toString(),
                 QStringLiteral("顧客"));
        QVERIFY(documents[1].toObject().value("url").toString().endsWith("/book.xlsx"));
        QDir(file.absolutePath()).removeRecursively();
    }

    // When the desktop cannot open it, the user learns where the workbook is.
    void tellsThePathWhenTheDesktopCannotOpenIt() {
        QStringList tried, notices;
        RunWith(std::make_shared<DesktopPresenter>([&](const QString &m) { notices << m; },
                                                   [&](const QString &path) {
                                                       tried << path;
                                                       return false;
                                                   }));
        QCOMPARE(tried.size(), 1);
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QDir::toNativeSeparators(tried[0])));
        QVERIFY(QFileInfo::exists(tried[0]));
        QDir(QFileInfo(tried[0]).absolutePath()).removeRecursively();
    }

    // A workbook that cannot be written leaves nothing behind: here every
    // write beyond a few hundred bytes fails, as on a full disk.
    void failedHandOverLeavesNoFolder() {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QStringList opened, notices;
        auto presenter = std::make_shared<DesktopPresenter>([&](const QString &m) { notices << m; },
                                                            [&](const QString &path) {
                                                                opened << path;
                                                                return true;
                                                            },
                                                            HandOverFolders(temp.path()));
        struct rlimit before {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        {
            const auto restore = qScopeGuard([&] {
                setrlimit(RLIMIT_FSIZE, &before);
                std::signal(SIGXFSZ, oldHandler);
            });
            struct rlimit small = before;
            small.rlim_cur = 512;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            // The user is told in the presenter's words; the system's
            // reason, after the message, goes to the log.
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^ブック「.*」を書き込めません。 \\S"));
            RunWith(presenter);
        }
        QVERIFY(opened.isEmpty());
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices[0].startsWith(QStringLiteral("ブックを保存できませんでした。")),
                 qPrintable(notices[0]));
        QCOMPARE(FolderEntries(temp.path()), QStringList());
    }

    // At start the program removes its own hand-over folders of earlier runs
    // once they are a day old, and nothing else.
    void staleHandOverFolders_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("ageHours");
        QTest::addColumn<QString>("link"); // "inside", "as folder", or none
        QTest::addColumn<bool>("removed");
        QTest::newRow("a day old") << "quillmere-Ab12Cd" << true << 25 << "" << true;
        QTest::newRow("younger than a day") << "quillmere-Ab12Cd" << true << 23 << "" << false;
        QTest::newRow("no marker") << "quillmere-Ab12Cd" << false << 48 << "" << false;
        QTest::newRow("another name") << "quillmere-notes" << true << 48 << "" << false;
        QTest::newRow("a link inside") << "quillmere-Ab12Cd" << true << 48 << "inside" << true;
        QTest::newRow("a link as the folder")
            << "quillmere-Ab12Cd" << true << 48 << "as folder" << false;
    }
    void staleHandOverFolders() {
        QFETCH(QString, name);
        QFETCH(bool, marked);
        QFETCH(int, ageHours);
        QFETCH(QString, link);
        QFETCH(bool, removed);
        QTemporaryDir temp, elsewhere;
        QVERIFY(temp.isValid() && elsewhere.isValid());
        const QString folder = QDir(temp.path()).filePath(name);
        // The folder with its workbook and marker, or, for a link as the
        // folder, the same folder elsewhere with the link pointing to it.
        const QString real = link == "as folder" ? elsewhere.filePath(name) : folder;
        QVERIFY(QDir().mkpath(real));
        QVERIFY(WriteFile(QDir(real).filePath(QStringLiteral("テーブルデザイン.xltx")), "x"));
        if (marked)
            QVERIFY(WriteFile(QDir(real).filePath(HandOverFolders::MarkerName), "x"));
        const QString outside = elsewhere.filePath(QStringLiteral("keep.mdb"));
        QVERIFY(WriteFile(outside, "x"));
        if (link == "inside")
            QVERIFY(
                QFile::link(elsewhere.path(), QDir(folder).filePath(QStringLiteral("elsewhere"))));
        if (link == "as folder")
            QVERIFY(QFile::link(real, folder));
        QVERIFY(SetAge(real, ageHours));

        QCOMPARE(HandOverFolders(temp.path()).removeStale(), removed ? 1 : 0);
        QCOMPARE(QFileInfo(folder).exists() || QFileInfo(folder).isSymLink(), !removed);
        QVERIFY(QFileInfo::exists(outside));
        if (link == "as folder")
            QCOMPARE(FolderEntries(real).size(), 2);
    }
};

QTEST_MAIN(TestDesktopPresenter)
#include "tst_desktoppresenter.moc"
