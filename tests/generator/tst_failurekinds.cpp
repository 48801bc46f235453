#include "common/Failure.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "generator/clsOutputTableDesign.h"
#include "spreadsheet/Application.h"
#include "spreadsheet/OutputTarget.h"
#include "spreadsheet/XlsxFile.h"
#include "support/Failures.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "testdb/Jet4Writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

// One step of the window's or a tool's way through the program, and the
// failure it ends in: an open gives it as its reason, the rest throw it.
using Step = std::function<std::optional<Failure>()>;

Step Open(const Services &services, const QString &path) {
    return [services, path] {
        std::optional<Failure> why;
        if (mdlADO::OpenAccessConnection(services.readers, path, &why))
            return std::optional<Failure>();
        return why;
    };
}

// A run of the generator, as the window's output command and
// quillmere-make-workbook start it; the workbook is not handed over.
Step Run(const Services &services, const QString &database, const QStringList &tables,
         const QString &programFolder) {
    return [=] {
        return FailureOf([&] {
            clsOutputTableDesign generator(services);
            for (const QString &table : tables)
                generator.AddTable(table);
            generator.setConnectionString(mdlADO::BuildConnectionString(database));
            generator.setApplicationPath(programFolder);
            generator.Make();
        });
    };
}

} // namespace

// Each kind of failure, where the program meets it: the callers tell them
// apart by their kind, the user by their words.
class TestFailureKinds : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const Services services_;
    QString database_;     // a database of one table, T
    QString namesFolder_;  // the program's folder, with the data type name file
    QString brokenFolder_; // one whose name file is no recordset

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        database_ = dir_.filePath("one.mdb");
        TestDatabase database;
        database.tables << TestTable{"T", {}, {}, false, false, {{"id", "long"}}, {}};
        WriteJet4(database, database_);
        namesFolder_ = QCoreApplication::applicationDirPath();
        brokenFolder_ = dir_.filePath("broken");
        QVERIFY(QDir().mkpath(brokenFolder_));
        QVERIFY(WriteFile(brokenFolder_ + "/DataTypeEnum.xml", "<xml><rs:data>"));
        QVERIFY(WriteFile(dir_.filePath("file"), "not a folder"));
    }

    void kindOfEachFailure_data() {
        QTest::addColumn<Step>("step");
        QTest::addColumn<FailureKind>("kind");
        QTest::addColumn<QString>("reason"); // how its words (reasonOrMessage) start
        const QString missing = dir_.filePath("missing.mdb");
        QTest::newRow("open: a missing file")
            << Open(services_, missing) << FailureKind::CannotOpen << "ファイルがありません";
        QTest::newRow("run: a refused sheet name")
            << Run(services_, database_, {"History"}, namesFolder_) << FailureKind::RefusedName
            << "シート名「History」";
        QTest::newRow("run: a table the database lacks")
            << Run(services_, database_, {"T", "Nowhere"}, namesFolder_)
            << FailureKind::MissingTable << "テーブル「Nowhere」";
        QTest::newRow("run: a broken name file")
            << Run(services_, database_, {"T"}, brokenFolder_) << FailureKind::NameFile
            << "データ型の名前のファイル";
        // The run's own open says why it failed, though the message is the
        // catalog's.
        QTest::newRow("run: its database missing")
            << Run(services_, missing, {"T"}, namesFolder_) << FailureKind::CannotOpen
            << "ファイルがありません";
        const QString nowhere = dir_.filePath("no/such/folder/out.xlsx");
        QTest::newRow("the tool's output: no folder") << Step([nowhere] {
            return FailureOf([&] { spreadsheet::OutputTarget::of(nowhere); });
        }) << FailureKind::Output << "ファイルがありません";
        // The window's hand-over writes into a folder it makes; where none
        // can be made, as under a file, also as root.
        const QString underFile = dir_.filePath("file/テーブルデザイン.xltx");
        QTest::newRow("the window's output: under a file") << Step([underFile] {
            return FailureOf([&] {
                auto application = spreadsheet::Application::Create(nullptr);
                spreadsheet::WriteXltx(*application->Workbooks().Add(), underFile);
            });
        }) << FailureKind::Output << "フォルダではありません";
        if (Fixtures::directory().isEmpty())
            return;
        QTest::newRow("open: password.mdb")
            << Open(services_, Fixtures::path("password.mdb")) << FailureKind::Protected
            << "パスワードで保護されています";
        QByteArray damaged = Fixtures::bytes("testV2000.mdb");
        damaged[14 * 4096] = '\x04'; // the catalog's data page turned index page
        QTest::newRow("open: a damaged file")
            << Open(services_, WriteFile(dir_.filePath("damaged.mdb"), damaged)
                                   ? dir_.filePath("damaged.mdb")
                                   : QString())
            << FailureKind::Damaged << "データベースが壊れています";
        // One byte in the catalog's table definition makes libmdb crash.
        QByteArray crashing = Fixtures::bytes("testV1997.mdb");
        crashing[0x1023] = '\x3E';
        QTest::newRow("open: the reader crashes")
            << Open(services_, WriteFile(dir_.filePath("crash.mdb"), crashing)
                                   ? dir_.filePath("crash.mdb")
                                   : QString())
            << FailureKind::Internal << "読み取りプロセスが異常終了しました";
    }
    void kindOfEachFailure() {
        QFETCH(Step, step);
        QFETCH(FailureKind, kind);
        QFETCH(QString, reason);
        const std::optional<Failure> failure = step();
        QVERIFY2(failure, "the step went through");
        QCOMPARE(failure->kind(), kind);
        QVERIFY2(failure->reasonOrMessage().startsWith(reason),
                 qPrintable(failure->reasonOrMessage()));
    }
};

QTEST_GUILESS_MAIN(TestFailureKinds)
#include "tst_failurekinds.moc"
