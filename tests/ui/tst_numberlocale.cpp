#include "database/ConnectionString.h"
#include "generator/clsOutputTableDesign.h"
#include "support/CommaLocale.h"
#include "support/SheetCells.h"
#include "support/Tools.h"
#include "support/WorkbookReader.h"
#include "testdb/Jet4Writer.h"
#include "ui/DesktopPresenter.h"
#include "ui/HandOverFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

// A workbook reads back the same whatever the user's locale: under one that
// writes numbers with a decimal comma, the tool's workbook and the window's
// hand-over hold the same dates, sizes and widths as under C, as openpyxl
// and LibreOffice read them.
class TestNumberLocale : public QObject {
    Q_OBJECT

    const Services services_;
    QTemporaryDir dir_;
    CommaLocale comma_;
    QString database_;
    QJsonObject byOpenpyxl_, byLibreOffice_; // the tool's workbook under C

    QString makeWorkbook(const QString &name, const QProcessEnvironment &environment) {
        const QString output = dir_.filePath(name);
        const ToolRun run =
            RunTool("quillmere-make-workbook", {database_, output}, 60000,
                    [&](QProcess &tool) { tool.setProcessEnvironment(environment); });
        if (run.exitCode != 0) {
            qWarning("%s", run.said.constData());
            return {};
        }
        return output;
    }

    // Everything but the content type, which tells a template from a workbook.
    static QJsonObject Contents(QJsonObject read) {
        read.remove("contentType");
        return read;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(comma_.make(dir_.path()));
        TestDatabase db;
        db.tables << TestTable{"顧客",
                               QDateTime(QDate(2024, 4, 1), QTime(9, 30, 15)),
                               QDateTime(QDate(2024, 5, 2), QTime(18, 0, 5)),
                               false,
                               false,
                               {{"顧客ID", "long"}, {"氏名", "text", 50}, {"単価", "currency"}},
                               {{"PrimaryKey", "primary", {"顧客ID"}, {}, {}}}};
        database_ = dir_.filePath("db.mdb");
        WriteJet4(db, database_);

        QProcessEnvironment c = QProcessEnvironment::systemEnvironment();
        c.insert("LC_ALL", "C");
        const QString reference = makeWorkbook("c.xlsx", c);
        QVERIFY(!reference.isEmpty());
        byOpenpyxl_ = ReadWorkbook(reference);
        byLibreOffice_ = ReadWorkbookWithLibreOffice(reference);
        // What the comparisons below stand on: a date and a number.
        const QJsonObject sheet = SheetAt(byOpenpyxl_, 0);
        QCOMPARE(DateAt(sheet, "C3"), QStringLiteral("2024-05-02T18:00:05.000"));
        QCOMPARE(ValueAt(sheet, "D8", "number").toDouble(), 50.0);
    }

    void toolWorkbook() {
        const QString written = makeWorkbook("comma.xlsx", comma_.environment());
        QVERIFY(!written.isEmpty());
        QCOMPARE(ReadWorkbook(written), byOpenpyxl_);
        QCOMPARE(ReadWorkbookWithLibreOffice(written), byLibreOffice_);
    }

    // The window's hand-over, in this process, with the whole locale set
    // from the environment as Qt does at the start.
    void handOver() {
        QStringList opened, notices;
        {
            const CommaLocale::Use use(comma_);
            QVERIFY(use.active());
            clsOutputTableDesign generator(services_.presentingTo(
                std::make_shared<DesktopPresenter>([&](const QString &m) { notices << m; },
                                                   [&](const QString &path) {
                                                       opened << path;
                                                       return true;
                                                   },
                                                   HandOverFolders(dir_.path()))));
            generator.AddTable(QStringLiteral("顧客"));
            generator.setConnectionString(mdlADO::BuildConnectionString(database_));
            generator.Make();
        }
        QVERIFY2(notices.isEmpty(), qPrintable(notices.join('\n')));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(Contents(ReadWorkbook(opened[0])), Contents(byOpenpyxl_));
        QCOMPARE(ReadWorkbookWithLibreOffice(opened[0]), byLibreOffice_);
    }
};

QTEST_MAIN(TestNumberLocale)
#include "tst_numberlocale.moc"
