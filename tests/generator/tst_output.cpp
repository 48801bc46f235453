#include "common/Failure.h"
#include "spreadsheet/DraftFile.h"
#include "support/Files.h"
#include "support/SheetCells.h"
#include "support/Tools.h"
#include "support/WorkbookReader.h"
#include "testdb/Jet4Writer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unzip.h>

// Writing a workbook never destroys anything: not the database, not the
// file at the output's name until its successor is complete, not a file that
// a planted link leads to; a refused output is told at once; and no draft is
// left behind, whether the run fails, is stopped or races another run.
class TestOutput : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString database_; // about a second's run of quillmere-make-workbook

    static ToolRun MakeWorkbook(const QStringList &args,
                                const std::function<void()> &inChild = {}) {
        return RunTool("quillmere-make-workbook", args, 60000, [&](QProcess &tool) {
            if (inChild)
                tool.setChildProcessModifier(inChild);
        });
    }

    // A folder of its own for one test, with a copy of the database.
    QString folder(const QString &name) {
        const QString path = dir_.filePath(name);
        QDir().mkpath(path);
        QFile::copy(database_, path + "/db.mdb");
        return path;
    }

    static QByteArray Hash(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }

    // Whether the file is a complete package: every part there, every
    // checksum right. (What an application sees of it is checked apart.)
    static bool IsCompletePackage(const QString &path) {
        unzFile zip = unzOpen64(QFile::encodeName(path).constData());
        if (!zip)
            return false;
        bool complete = true;
        int parts = 0;
        char buffer[65536];
        for (int at = unzGoToFirstFile(zip); at == UNZ_OK && complete;
             at = unzGoToNextFile(zip), ++parts) {
            complete = unzOpenCurrentFile(zip) == UNZ_OK;
            int got = 0;
            while (complete && (got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
            }
            complete = complete && got == 0 &&
                       unzCloseCurrentFile(zip) == UNZ_OK; // UNZ_CRCERROR otherwise
        }
        unzClose(zip);
        return complete && parts >= 8;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        TestDatabase db;
        for (int i = 1; i <= 600; ++i) {
            TestTable table{QStringLiteral("表%1").arg(i), {}, {}, false, false, {}, {}};
            for (int c = 1; c <= 12; ++c)
                table.columns << TestColumn{QStringLiteral("列%1").arg(c), c % 2 ? "long" : "text",
                                            c % 2 ? 0 : 40};
            table.keys << TestKey{"PrimaryKey", "primary", {"列1"}, {}, {}};
            db.tables << table;
        }
        // One sheet of 255 fields: its part is 46 KB, the whole workbook 12 KB.
        TestTable wide{QStringLiteral("広い表"), {}, {}, false, false, {}, {}};
        for (int c = 1; c <= 255; ++c)
            wide.columns << TestColumn{QStringLiteral("列%1").arg(c), "text", 50};
        db.tables << wide;
        database_ = dir_.filePath("tables600.mdb");
        WriteJet4(db, database_);
    }

    // The database is only ever read: an output that is the database itself,
    // by any name, is refused before anything is written.
    void outputIsTheDatabase_data() {
        QTest::addColumn<QString>("alias"); // how the output names the database
        QTest::newRow("same path") << "db.mdb";
        QTest::newRow("through a symbolic link") << "link.xlsx";
        QTest::newRow("through a hard link") << "hard.xlsx";
        QTest::newRow("another spelling") << "./sub/../db.mdb";
    }
    void outputIsTheDatabase() {
        QFETCH(QString, alias);
        const QString folder =
            this->folder(QStringLiteral("same-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
        QDir().mkdir(folder + "/sub");
        QVERIFY(QFile::link("db.mdb", folder + "/link.xlsx"));
        QVERIFY(::link(QFile::encodeName(folder + "/db.mdb").constData(),
                       QFile::encodeName(folder + "/hard.xlsx").constData()) == 0);
        const QByteArray before = Hash(folder + "/db.mdb");
        const QStringList listing = FolderEntries(folder);
        const ToolRun run = MakeWorkbook({folder + "/db.mdb", folder + '/' + alias});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.said.contains("データベースそのもの"), run.said.constData());
        QCOMPARE(Hash(folder + "/db.mdb"), before);
        QCOMPARE(FolderEntries(folder), listing);
    }

    // Anything but a regular file or a new name is refused at once, never
    // waited on or written through.
    void outputThatIsNoFile_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("message");
        const QString folder = this->folder("nofile");
        QVERIFY(::mkfifo(QFile::encodeName(folder + "/fifo.xlsx").constData(), 0600) == 0);
        QDir().mkdir(folder + "/folder.xlsx");
        QVERIFY(QFile::link("nowhere/x", folder + "/dangling.xlsx"));
        QTest::newRow("FIFO") << folder + "/fifo.xlsx"
                              << QByteArray("通常のファイルではありません");
        QTest::newRow("folder") << folder + "/folder.xlsx"
                                << QByteArray("通常のファイルではありません");
        QTest::newRow("device") << "/dev/null" << QByteArray("通常のファイルではありません");
        QTest::newRow("link that leads nowhere")
            << folder + "/dangling.xlsx" << QByteArray("リンク");
        QTest::newRow("missing folder")
            << folder + "/missing/x.xlsx" << QByteArray("フォルダがありません");
    }
    void outputThatIsNoFile() {
        QFETCH(QString, output);
        QFETCH(QByteArray, message);
        const QString folder = dir_.filePath("nofile");
        const QStringList listing = FolderEntries(folder);
        const ToolRun run = MakeWorkbook({folder + "/db.mdb", output});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.said.contains(message), run.said.constData());
        QCOMPARE(FolderEntries(folder), listing);
    }

    // A link planted where an earlier version put its draft, and any other
    // file beside the output, stay as they were.
    void plantedLinkIsNotWrittenThrough() {
        const QString folder = this->folder("planted");
        QFile victim(folder + "/victim.txt");
        QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("victim") == 6);
        victim.close();
        QVERIFY(QFile::link("victim.txt", folder + "/out.xlsx.draft"));
        QStringList listing = FolderEntries(folder);
        const ToolRun run = MakeWorkbook({folder + "/db.mdb", folder + "/out.xlsx", "表1"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(Hash(folder + "/victim.txt"),
                 QCryptographicHash::hash("victim", QCryptographicHash::Sha256));
        listing << "out.xlsx";
        listing.sort();
        QCOMPARE(FolderEntries(folder), listing);
        QVERIFY(IsCompletePackage(folder + "/out.xlsx"));
    }

    // Two runs writing one output at once: each that succeeds had its
    // complete workbook there; what stays is always a complete workbook.
    void concurrentRunsLeaveAWorkbook() {
        const QString folder = this->folder("concurrent");
        const QString output = folder + "/out.xlsx";
        const QStringList args = {
            folder + "/db.mdb", output, "表1", "表2", "表3", "表4", "表5", "表6", "表7", "表8"};
        for (int round = 0; round < 20; ++round) {
            QProcess first, second;
            for (QProcess *run : {&first, &second})
                run->start(ToolPath("quillmere-make-workbook"), args);
            for (QProcess *run : {&first, &second}) {
                QVERIFY(run->waitForFinished(60000));
                QCOMPARE(run->exitCode(), 0);
            }
            QVERIFY2(IsCompletePackage(output), qPrintable(QString::number(round)));
            QCOMPARE(FolderEntries(folder), (QStringList{"db.mdb", "out.xlsx"}));
        }
        QCOMPARE(SheetNames(ReadWorkbook(output)).size(), 8);
    }

    // A full disk (here a file size limit) fails the run with a message;
    // the previous workbook stays as it was, and no draft is left. Also when
    // only a temporary file of libxlsxwriter's goes past the limit: the
    // workbook would fit, but one of its parts would be stored cut short.
    void fullDiskKeepsThePreviousWorkbook_data() {
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<int>("limit");
        QTest::newRow("the workbook past the limit") << QStringList() << 64 * 1024;
        QTest::newRow("one part past the limit") << QStringList{"広い表"} << 32 * 1024;
    }
    void fullDiskKeepsThePreviousWorkbook() {
        QFETCH(QStringList, tables);
        QFETCH(int, limit);
        const QString folder = this->folder(QStringLiteral("full-%1").arg(limit));
        const QString output = folder + "/out.xlsx";
        QCOMPARE(MakeWorkbook({folder + "/db.mdb", output, "表1"}).exitCode, 0);
        const QByteArray previous = Hash(output);
        const QStringList listing = FolderEntries(folder);
        const ToolRun run = MakeWorkbook(QStringList{folder + "/db.mdb", output} + tables, [limit] {
            const rlimit size{rlim_t(limit), rlim_t(limit)};
            setrlimit(RLIMIT_FSIZE, &size);
        });
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.said.contains("書き込めません") || run.said.contains("作成できません"),
                 run.said.constData());
        QCOMPARE(Hash(output), previous);
        QCOMPARE(FolderEntries(folder), listing);
    }

    // With too little memory for the workers' threads, or for what they
    // allocate, a run still ends in time: with the complete workbook (the
    // work done on the run's own thread) or with a failure that says why,
    // never hung or aborted.
    void runsUnderAMemoryLimitEnd_data() {
        QTest::addColumn<int>("kilobytes");
        QTest::newRow("no thread starts (60 MB)") << 60000;
        QTest::newRow("the workers run out (65 MB)") << 65000;
    }
    void runsUnderAMemoryLimitEnd() {
        QFETCH(int, kilobytes);
        const QString folder = this->folder(QStringLiteral("memory-%1").arg(kilobytes));
        const QString output = folder + "/out.xlsx";
        QElapsedTimer timer;
        timer.start();
        const ToolRun run = MakeWorkbook({folder + "/db.mdb", output, "表1", "表2"}, [kilobytes] {
            const rlimit space{rlim_t(kilobytes) * 1024, rlim_t(kilobytes) * 1024};
            setrlimit(RLIMIT_AS, &space);
        });
        if (run.exitCode == 127 && run.said.contains("error while loading shared libraries"))
            QSKIP("the tool cannot even start in this address space here");
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(run.exitCode == 0 || run.exitCode == 1, run.said.constData());
        if (run.exitCode == 0)
            QVERIFY(IsCompletePackage(output));
        else
            QVERIFY2(run.said.contains("quillmere-make-workbook: "), run.said.constData());
    }

    // A run ended by a signal leaves the output as it was (or complete, if
    // the run was through), and no draft.
    void endedBySignalLeavesNoDraft_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void endedBySignalLeavesNoDraft() {
        QFETCH(int, signal);
        const QString folder = this->folder(QStringLiteral("signal-%1").arg(signal));
        const QString output = folder + "/out.xlsx";
        QCOMPARE(MakeWorkbook({folder + "/db.mdb", output, "表1"}).exitCode, 0);
        const QByteArray previous = Hash(output);
        const QStringList listing = FolderEntries(folder);
        QElapsedTimer whole;
        whole.start();
        QCOMPARE(MakeWorkbook({folder + "/db.mdb", output}).exitCode, 0);
        const int runMs = int(whole.elapsed());
        QCOMPARE(FolderEntries(folder), listing);

        for (int i = 0; i < 6; ++i) {
            QProcess tool;
            tool.start(ToolPath("quillmere-make-workbook"), {folder + "/db.mdb", output});
            QVERIFY(tool.waitForStarted());
            // From the start to the end of the run, the last tries in its
            // final part, where the workbook is written.
            QThread::msleep(runMs * (i + 4) / 10);
            ::kill(pid_t(tool.processId()), signal);
            QVERIFY(tool.waitForFinished(60000));
            QCOMPARE(FolderEntries(folder), listing);
            QVERIFY(Hash(output) == previous || IsCompletePackage(output));
        }
    }

    // Where the file system cannot make unnamed files, a draft has a name;
    // it goes with the process on SIGTERM, or with the object, and takes the
    // target's place only when told to, with the mode of the file it replaces.
    void namedDraft() {
        const QString folder = this->folder("named");
        QFile old(folder + "/out.txt");
        QVERIFY(old.open(QIODevice::WriteOnly) &&
                old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        old.close();
        QStringList listing = FolderEntries(folder);
        const auto target = spreadsheet::OutputTarget::of(folder + "/out.txt");

        // In a process of its own, with the signal's default action, as in
        // the tools (the test framework catches it to print a trace). First,
        // before this process has made a named draft of its own, for the
        // handler is set up with the first one.
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGTERM, SIG_DFL);
            spreadsheet::DraftFile draft(target, spreadsheet::DraftFile::Kind::Named);
            raise(SIGTERM);
            _exit(0); // not reached
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        QCOMPARE(FolderEntries(folder), listing);

        {
            spreadsheet::DraftFile draft(target, spreadsheet::DraftFile::Kind::Named);
            QVERIFY(!draft.name().isEmpty());
            QCOMPARE(FolderEntries(folder).size(), listing.size() + 1);
        }
        QCOMPARE(FolderEntries(folder), listing);
        {
            spreadsheet::DraftFile draft(target, spreadsheet::DraftFile::Kind::Named);
            QCOMPARE(::write(draft.fd(), "new", 3), 3);
            draft.replace();
        }
        QFile out(folder + "/out.txt");
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("new"));
        QCOMPARE(out.permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::WriteGroup | QFile::ReadOther),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }

    // A name that stands for an open descriptor is refused: replacing what
    // it resolves to would replace the file the shell appends to.
    void outputThroughADescriptor_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("toStandardError");
        QTest::newRow("/dev/stdout") << "/dev/stdout" << false;
        QTest::newRow("/dev/fd/1") << "/dev/fd/1" << false;
        QTest::newRow("/proc/self/fd/1") << "/proc/self/fd/1" << false;
        QTest::newRow("/dev/stderr") << "/dev/stderr" << true;
    }
    void outputThroughADescriptor() {
        QFETCH(QString, output);
        QFETCH(bool, toStandardError);
        const QString folder = this->folder(
            QStringLiteral("descriptor-%1").arg(QTest::currentDataTag()).replace('/', '-'));
        const QString log = folder + "/log.txt";
        QFile earlier(log);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier log line\n") == 17);
        earlier.close();
        QProcess tool;
        if (toStandardError)
            tool.setStandardErrorFile(log, QIODevice::Append);
        else
            tool.setStandardOutputFile(log, QIODevice::Append);
        tool.start(ToolPath("quillmere-make-workbook"), {folder + "/db.mdb", output, "表1"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        QFile after(log);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QVERIFY2(after.readAll().startsWith("earlier log line\n"), "the log was replaced");
    }

    // Every step after the checks works in the folder that was checked: a
    // folder swapped for a link meanwhile leads nowhere else.
    void swappedFolderChangesNothingOutsideIt() {
        const QString base = dir_.filePath("swap");
        QVERIFY(QDir().mkpath(base + "/d") && QDir().mkpath(base + "/victim"));
        const auto target = spreadsheet::OutputTarget::of(base + "/d/o.xlsx");
        spreadsheet::DraftFile draft(target);
        QCOMPARE(::write(draft.fd(), "new", 3), 3);
        QVERIFY(QFile::rename(base + "/d", base + "/d.old"));
        QVERIFY(QFile::link("victim", base + "/d"));
        draft.replace();
        QCOMPARE(FolderEntries(base + "/victim"), QStringList());
        QCOMPARE(FolderEntries(base + "/d.old"), QStringList{"o.xlsx"});
    }

    // A replaced file keeps its owner and group, as well as its mode.
    void replacedFileKeepsItsOwner() {
        if (geteuid() != 0)
            QSKIP("only root can write over another user's file");
        const QString folder = this->folder("owner");
        const QString output = folder + "/out.xlsx";
        QCOMPARE(MakeWorkbook({folder + "/db.mdb", output, "表1"}).exitCode, 0);
        const uid_t nobody = 65534;
        QVERIFY(::chown(QFile::encodeName(output).constData(), nobody, nobody) == 0 &&
                ::chmod(QFile::encodeName(output).constData(), 0600) == 0);
        QCOMPARE(MakeWorkbook({folder + "/db.mdb", output, "表2"}).exitCode, 0);
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(output).constData(), &status) == 0);
        QCOMPARE(status.st_uid, nobody);
        QCOMPARE(status.st_gid, gid_t(nobody));
        QCOMPARE(status.st_mode & 07777, mode_t(0600));
        QCOMPARE(SheetNames(ReadWorkbook(output)).value(0), QStringLiteral("表2"));
    }
};

QTEST_GUILESS_MAIN(TestOutput)
#include "tst_output.moc"
