#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

// The about box, shown by the main window's version command.
class TestAboutBox : public QObject {
    Q_OBJECT

    const Services services_;

    // Runs the version command; while the box is open, looks at it and closes
    // it with the key.
    static QStringList ShowAndClose(frmMain &window, Qt::Key key) {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!box) {
                seen << "no modal about box";
                return;
            }
            seen << box->windowTitle() << box->findChild<QLabel *>("lblTitle")->text()
                 << box->findChild<QLabel *>("lblVersion")->text();
            QTRY_VERIFY(box->isVisible());
            QTest::keyClick(box, key);
        });
        window.mitmVersion_Click();
        return seen;
    }

private slots:
    void layout() {
        frmAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("Quillmereのﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(box.size(), QSize(382, 174));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QVERIFY(
            !(box.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QCOMPARE(box.findChild<QLabel *>("lblTitle")->text(), QStringLiteral("Quillmere"));
        QVERIFY(box.findChild<QLabel *>("lblTitle")->font().bold());
        QCOMPARE(box.findChild<QLabel *>("lblVersion")->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.1"));
        QVERIFY(!box.findChild<QLabel *>("Label1")->text().isEmpty());
        QCOMPARE(box.findChild<QLabel *>("Label2")->textFormat(), Qt::PlainText); // not a link
        QCOMPARE(box.findChild<QLabel *>("picLogo")->pixmap().deviceIndependentSize().toSize(),
                 QSize(95, 20));
        QCOMPARE(box.findChild<QLabel *>("picIcon")->pixmap().deviceIndependentSize().toSize(),
                 QSize(32, 32));
        auto *ok = box.findChild<QPushButton *>("cmdOK");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->geometry(), QRect(283, 144, 92, 23));
        QVERIFY(box.findChild<QWidget *>("Line1"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ok));
    }

    void enterAndEscapeClose_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void enterAndEscapeClose() {
        QFETCH(int, key);
        frmMain window(services_);
        window.show();
        const QStringList seen = ShowAndClose(window, Qt::Key(key));
        QCOMPARE(seen, (QStringList{"Quillmereのﾊﾞｰｼﾞｮﾝ情報", "Quillmere", "ﾊﾞｰｼﾞｮﾝ 1.1"}));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // The box, the AppStream metadata, the package, its copyright file and
    // the manual pages name one address, the project's own.
    void oneAddress_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pattern");
        const QString source = QStringLiteral(QUILLMERE_SOURCE_DIR "/");
        QTest::newRow("metainfo") << source +
                                         "share/metainfo/io.github.quillmere.Quillmere.metainfo.xml"
                                  << "<url type=\"homepage\">([^<]*)</url>";
        QTest::newRow("package") << QStringLiteral(QUILLMERE_BINARY_DIR "/CPackConfig.cmake")
                                 << "set\\(CPACK_DEBIAN_PACKAGE_HOMEPAGE \"([^\"]*)\"\\)";
        QTest::newRow("copyright") << source + "share/doc/copyright"
                                   << "(?m)^Source: (\\S+)$";
        for (const char *page : {"quillmere", "quillmere-catalog-dump", "quillmere-make-workbook"})
            QTest::newRow(page) << source + "share/man/" + page + ".1"
                                << "(?m)^\\.UR (\\S+)$";
    }
    void oneAddress() {
        QFETCH(QString, file);
        QFETCH(QString, pattern);
        frmAbout box;
        const QString shown = box.findChild<QLabel *>("Label2")->text();
        QVERIFY(shown.startsWith("https://"));
        QFile f(file);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
        const QString text = QString::fromUtf8(f.readAll());
        const QRegularExpressionMatch named = QRegularExpression(pattern).match(text);
        QVERIFY2(named.hasMatch(), qPrintable(file));
        QCOMPARE(named.captured(1), shown);
    }

    // Each showing is a fresh box.
    void openedTwice() {
        frmMain window(services_);
        window.show();
        for (int i = 0; i < 2; ++i)
            QCOMPARE(ShowAndClose(window, Qt::Key_Return).size(), 3);
        QVERIFY(window.findChildren<frmAbout *>().isEmpty());
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_frmabout.moc"
