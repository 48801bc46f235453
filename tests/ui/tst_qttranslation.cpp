#include "ui/QtTranslation.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

// Qt's own dialogs speak Japanese like the rest of the program, whatever
// the locale: this test runs under LC_ALL=C.
class TestQtTranslation : public QObject {
    Q_OBJECT

    static QStringList Texts(const QList<QAbstractButton *> &buttons) {
        QStringList texts;
        for (const QAbstractButton *b : buttons)
            texts << b->text();
        return texts;
    }

    // Whether the text holds kana or kanji.
    static bool IsJapanese(const QString &text) {
        for (const QChar c : text)
            if ((c >= u'\u3040' && c <= u'\u30FF') || (c >= u'\u4E00' && c <= u'\u9FFF'))
                return true;
        return false;
    }

private slots:
    void initTestCase() {
        QCOMPARE(qgetenv("LC_ALL"), QByteArray("C"));
        QVERIFY2(LoadQtJapanese(*qApp),
                 "Qt's Japanese translation (qt6-translations-l10n) is not installed");
    }

    void stockTexts_data() {
        QTest::addColumn<QStringList>("texts");
        QFileDialog dialog(nullptr, QString(), QString(), QStringLiteral("Accessファイル(*.mdb)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        QStringList labels;
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            if (!label->text().isEmpty())
                labels << label->text();
        QTest::newRow("file dialog buttons")
            << Texts(dialog.findChild<QDialogButtonBox *>()->buttons());
        QTest::newRow("file dialog labels") << labels;

        QMessageBox box;
        box.setStandardButtons(QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QTest::newRow("message box buttons") << Texts(box.buttons());

        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList actions;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator())
                actions << a->text();
        QTest::newRow("text box context menu") << actions;
    }
    void stockTexts() {
        QFETCH(QStringList, texts);
        QVERIFY(!texts.isEmpty());
        for (const QString &text : texts)
            QVERIFY2(IsJapanese(text), qPrintable(texts.join(" | ")));
    }
};

QTEST_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"
