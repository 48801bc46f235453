#include "common/LocalFileName.h"
#include "database/Catalog.h"
#include "database/CatalogReader.h"
#include "database/Connection.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "support/Failures.h"
#include "support/Fixtures.h"
#include "support/Tools.h"
#include "support/UserTables.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The file the reader reads is the file the user named: by the exact bytes
// of its name, the same file for every read of one open, also at the
// format's size limit; and no reader outlives the program that started it.
class TestDatabaseFile : public QObject {
    Q_OBJECT

    const Services services_;
    QTemporaryDir dir_;

    QByteArray rawPath(const QByteArray &name) const {
        return QFile::encodeName(dir_.path()) + '/' + name;
    }

    static bool WriteRaw(const QByteArray &path, const QByteArray &bytes) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const bool written =
            fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
        return fd >= 0 && ::close(fd) == 0 && written;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Every byte string comes back as it went in; valid UTF-8 reads as text.
    void namesRoundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII") << QByteArray("/home/user/db.mdb");
        QTest::newRow("UTF-8 Japanese") << QByteArray("/home/\xe5\x8f\xb0\xe5\xb8\xb3.mdb");
        QTest::newRow("outside the BMP") << QByteArray("\xf0\xa0\xae\xb7.mdb");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.mdb");
        QTest::newRow("Shift-JIS") << QByteArray("\x83\x65\x83\x58\x83\x67.mdb");
        QTest::newRow("U+FFFD itself") << QByteArray("l-\xef\xbf\xbd.mdb");
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                      "b");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80\xed\xb2\x80");
        QTest::newRow("cut sequence at the end") << QByteArray("x\xe3\x81");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
        QTest::newRow("pair ending in DC80, then a stray byte")
            << QByteArray("\xf0\x90\x82\x80\xe9");
    }
    void namesRoundTrip() {
        QFETCH(QByteArray, bytes);
        const QString name = LocalFileName::decode(bytes);
        QCOMPARE(LocalFileName::encode(name), bytes);
        if (QString::fromUtf8(bytes).toUtf8() == bytes)
            QCOMPARE(name, QString::fromUtf8(bytes));
    }

    // Beside a name that is not valid UTF-8 lies the file that the name's
    // lossy decoding would lead to; the right one opens, through the
    // database layer and the tools, for the database and the output.
    void namesAreBytes_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("Latin-1") << QByteArray("l-\xe9");
        QTest::newRow("Shift-JIS") << QByteArray("\x83\x65\x83\x58\x83\x67");
    }
    void namesAreBytes() {
        REQUIRE_FIXTURES();
        QFETCH(QByteArray, name);
        const QByteArray database = rawPath(name + ".mdb");
        const QByteArray decoy = QString::fromUtf8(database).toUtf8(); // every stray byte as U+FFFD
        QVERIFY(decoy != database);
        QVERIFY(WriteRaw(database, Fixtures::bytes("testV2000.mdb")));
        QVERIFY(WriteRaw(decoy, Fixtures::bytes("nwind.mdb")));
        const QStringList expected = {"Table1", "Table2", "Table3", "Table4"};

        QCOMPARE(UserTables(services_.readers, LocalFileName::decode(database)), expected);

        // The tools take their arguments as bytes; the shell hands them over
        // as such, which QProcess cannot.
        QVERIFY(WriteRaw(rawPath("name"), database));
        QVERIFY(WriteRaw(rawPath("output"), rawPath(name + ".xlsx")));
        QProcess dump;
        dump.start("/bin/sh",
                   {"-c", "exec \"$0\" --tables-only \"$(cat \"$1\")\"",
                    ToolPath("quillmere-catalog-dump"), QString::fromUtf8(rawPath("name"))});
        QVERIFY(dump.waitForFinished(30000));
        QCOMPARE(dump.exitCode(), 0);
        QStringList dumped;
        for (const QJsonValue &t :
             QJsonDocument::fromJson(dump.readAllStandardOutput())["tables"].toArray())
            if (t["type"].toString() == "TABLE")
                dumped << t["name"].toString();
        QCOMPARE(dumped, expected);

        QProcess make;
        make.start("/bin/sh",
                   {"-c", "exec \"$0\" \"$(cat \"$1\")\" \"$(cat \"$2\")\"",
                    ToolPath("quillmere-make-workbook"), QString::fromUtf8(rawPath("name")),
                    QString::fromUtf8(rawPath("output"))});
        QVERIFY(make.waitForFinished(30000));
        QCOMPARE(make.exitCode(), 0);
        struct stat status {};
        QCOMPARE(::stat(rawPath(name + ".xlsx").constData(), &status), 0);
        QVERIFY(::stat(QString::fromUtf8(rawPath(name + ".xlsx")).toUtf8().constData(), &status) !=
                0);
    }

    // While one name is given now to a protected file, now to an open one,
    // every open reads one file from header to catalog: refused as protected
    // or the open file's tables, never the protected file's catalog.
    void oneOpenReadsOneFile() {
        REQUIRE_FIXTURES();
        const QByteArray open = rawPath("open.mdb"), locked = rawPath("locked.mdb"),
                         name = rawPath("swapped.mdb");
        QVERIFY(WriteRaw(open, Fixtures::bytes("testV2000.mdb")));
        QVERIFY(WriteRaw(locked, Fixtures::bytes("password.mdb")));
        QVERIFY(::link(open.constData(), name.constData()) == 0);
        std::atomic<bool> done = false;
        std::thread swapper([&] {
            const QByteArray next = name + ".next";
            for (int turn = 0; !done; ++turn) {
                ::unlink(next.constData());
                if (::link((turn % 2 ? open : locked).constData(), next.constData()) == 0)
                    ::rename(next.constData(), name.constData());
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        const QStringList expected = {"Table1", "Table2", "Table3", "Table4"};
        int refused = 0, listed = 0;
        QStringList wrong;
        for (int i = 0; i < 150; ++i) {
            std::optional<Failure> why;
            const auto connection =
                mdlADO::OpenAccessConnection(services_.readers, LocalFileName::decode(name), &why);
            if (!connection) {
                if (why->kind() == FailureKind::Protected)
                    ++refused;
                else
                    wrong << why->reasonOrMessage();
                continue;
            }
            Catalog catalog;
            catalog.setActiveConnection(connection);
            const QStringList tables = catalog.UserTableNames();
            if (tables == expected)
                ++listed;
            else
                wrong << tables.join(',');
        }
        done = true;
        swapper.join();
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(" | ")));
        qInfo("%d refused as protected, %d listed", refused, listed);
    }

    // A second connection to a file whose first connection is still held
    // lists the file the name names now: the same file, also through a link,
    // one written since or another file put under the name; also when the
    // first connection's reader has failed.
    void secondConnectionListsTheFileNamed_data() {
        QTest::addColumn<QString>("between");
        QTest::newRow("nothing") << "";
        QTest::newRow("a symbolic link to the same file") << "link";
        QTest::newRow("written since") << "touch";
        QTest::newRow("another file under the name") << "replace";
        QTest::newRow("the reader failed") << "fail";
    }
    void secondConnectionListsTheFileNamed() {
        REQUIRE_FIXTURES();
        QFETCH(QString, between);
        const QString name = dir_.filePath("held.mdb");
        QFile::remove(name);
        QVERIFY(QFile::copy(Fixtures::path("nwind.mdb"), name));
        const auto first = mdlADO::OpenAccessConnection(services_.readers, name);
        QVERIFY(first);
        QString second = name;
        QStringList expected = UserTables(services_.readers, Fixtures::path("nwind.mdb"));
        if (between == "link") {
            second = dir_.filePath("held-link.mdb");
            QFile::remove(second);
            QVERIFY(::symlink(QFile::encodeName(name).constData(),
                              QFile::encodeName(second).constData()) == 0);
        } else if (between == "touch") {
            QThread::msleep(20);
            QFile file(name);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(
                file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime));
        } else if (between == "replace") {
            const QString other = dir_.filePath("other.mdb");
            QFile::remove(other);
            QVERIFY(QFile::copy(Fixtures::path("testV2000.mdb"), other));
            QVERIFY(::rename(QFile::encodeName(other).constData(),
                             QFile::encodeName(name).constData()) == 0);
            expected = UserTables(services_.readers, Fixtures::path("testV2000.mdb"));
        } else if (between == "fail") {
            QVERIFY(!first->reader()->design(-1)); // no such table: the reader fails
        }
        const auto next = mdlADO::OpenAccessConnection(services_.readers, second);
        QVERIFY(next);
        Catalog catalog;
        catalog.setActiveConnection(next);
        QCOMPARE(catalog.UserTableNames(), expected);
    }

    // Access files go up to 2 GB; one just below lists what the original does,
    // within the reader's 2 GiB address space.
    void fileAtTheFormatsSizeLimit() {
        REQUIRE_FIXTURES();
        const QString big = dir_.filePath("big.mdb");
        QVERIFY(QFile::copy(Fixtures::path("testV2000.mdb"), big));
        QFile file(big);
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(file.resize(qint64{2047} << 20)); // sparse: no disk space taken
        QCOMPARE(UserTables(services_.readers, big),
                 UserTables(services_.readers, Fixtures::path("testV2000.mdb")));
        QVERIFY(file.remove());
    }

    // However early the program dies after starting a reader, the reader
    // dies with it: here the program is the dump tool, killed moments after
    // it starts, and its reader a stand-in that would wait an hour.
    void readerDiesWithTheProgram() {
        const QString program = dir_.filePath("quillmere-catalog-dump");
        QVERIFY(QFile::copy(ToolPath("quillmere-catalog-dump"), program));
        const QString marker = QString::number(3600 + QRandomGenerator::global()->bounded(1000));
        QFile reader(dir_.filePath("quillmere-reader"));
        QVERIFY(reader.open(QIODevice::WriteOnly));
        reader.write("#!/bin/sh\nexec sleep " + marker.toLatin1() + "\n");
        reader.close();
        QVERIFY(reader.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString database = dir_.filePath("any.mdb");
        QVERIFY(WriteRaw(QFile::encodeName(database), "any"));

        for (int i = 0; i < 100; ++i) {
            QProcess dump;
            dump.start(program, {database});
            QVERIFY(dump.waitForStarted());
            QThread::usleep(QRandomGenerator::global()->bounded(30000));
            dump.kill();
            QVERIFY(dump.waitForFinished());
        }
        // Death signals take a moment to arrive.
        QList<qint64> orphans;
        const QByteArray command = QByteArray("sleep\0", 6) + marker.toLatin1() + '\0';
        for (int wait = 0; wait < 20; ++wait) {
            orphans.clear();
            for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
                QFile cmdline("/proc/" + pid + "/cmdline");
                if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll() == command)
                    orphans << pid.toLongLong();
            }
            if (orphans.isEmpty())
                break;
            QThread::msleep(100);
        }
        for (const qint64 pid : orphans)
            ::kill(pid_t(pid), SIGKILL);
        QCOMPARE(orphans.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseFile)
#include "tst_databasefile.moc"
