#include "Application.h"
#include "DesktopPresenter.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QTest>

class TestDesktopPresenter : public QObject {
    Q_OBJECT

    // Runs a visible application with one named sheet through the presenter.
    static void RunWith(const std::shared_ptr<DesktopPresenter> &presenter)
    {
        spreadsheet::Application::setPresenter(presenter);
        auto app = spreadsheet::Application::Create();
        app->setVisible(true);
        app->Workbooks().Add()->ActiveSheet()->setName(QStringLiteral("顧客"));
        app.reset();
        spreadsheet::Application::setPresenter(nullptr);
    }

private slots:
    void opensATemplateInAPrivateFolder()
    {
        QStringList opened, notices;
        RunWith(std::make_shared<DesktopPresenter>([&](const QString &m) { notices << m; },
                                                   [&](const QString &path) { opened << path; return true; }));
        QVERIFY(notices.isEmpty());
        QCOMPARE(opened.size(), 1);
        const QFileInfo file(opened[0]);
        QVERIFY(file.exists());
        QCOMPARE(file.suffix(), QStringLiteral("xltx"));
        QVERIFY(file.absolutePath().startsWith(QDir::tempPath()));
        QCOMPARE(QFileInfo(file.absolutePath()).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
        const QJsonObject read = ReadWorkbook(opened[0]);
        QVERIFY(read.value("contentType").toString().contains("template"));
        QCOMPARE(read.value("sheets").toArray()[0].toObject().value("name").toString(), QStringLiteral("顧客"));
        QDir(file.absolutePath()).removeRecursively();
    }

    // When the desktop cannot open it, the user learns where the workbook is.
    void tellsThePathWhenTheDesktopCannotOpenIt()
    {
        QStringList tried, notices;
        RunWith(std::make_shared<DesktopPresenter>([&](const QString &m) { notices << m; },
                                                   [&](const QString &path) { tried << path; return false; }));
        QCOMPARE(tried.size(), 1);
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QDir::toNativeSeparators(tried[0])));
        QVERIFY(QFileInfo::exists(tried[0]));
        QDir(QFileInfo(tried[0]).absolutePath()).removeRecursively();
    }
};

QTEST_MAIN(TestDesktopPresenter)
#include "tst_desktoppresenter.moc"
