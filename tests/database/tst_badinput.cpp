#include "common/Failure.h"
#include "common/SystemError.h"
#include "database/Catalog.h"
#include "database/mdlADO.h"
#include "generator/Services.h"
#include "support/ChildProcesses.h"
#include "support/Failures.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "testdb/Jet4Writer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

// Files that are no database, or a damaged one, give the empty result: no
// message, no exception, within the reader's time limit, the program alive.
class TestBadInput : public QObject {
    Q_OBJECT

    static constexpr std::chrono::milliseconds TimeLimit{1500};
    const Services services_;
    QTemporaryDir dir_;

    QString write(const QString &name, const QByteArray &bytes) {
        return WriteFile(dir_.filePath(name), bytes) ? dir_.filePath(name) : QString();
    }

    // A stand-in for the reader executable, for failures libmdb shows only
    // now and then.
    QString fakeReader(const QString &name, const QByteArray &script) {
        const QString path = write(name, "#!/bin/sh\n" + script + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // Fails the calling test unless the open gives the empty result in time
    // and says why: a failure of the expected kind, in words that start with
    // the expected reason.
    void expectEmptyResult(const QString &path, const QString &reason, FailureKind kind) {
        QElapsedTimer timer;
        timer.start();
        std::shared_ptr<Connection> connection;
        std::optional<Failure> why;
        try {
            connection = mdlADO::OpenAccessConnection(services_.readers, path, &why);
        } catch (...) {
            QFAIL("the open threw");
        }
        QVERIFY(!connection);
        QVERIFY2(timer.elapsed() < TimeLimit.count() + 2000,
                 qPrintable(QString::number(timer.elapsed())));
        QVERIFY(why);
        QVERIFY2(why->reasonOrMessage().startsWith(reason), qPrintable(why->reasonOrMessage()));
        QCOMPARE(why->kind(), kind);
    }

    // The file's header with its masked region set to decoded values.
    static void setHeaderField(QByteArray &bytes, qsizetype offset, quint32 value) {
        // The region from 0x18 is masked with a fixed RC4 keystream: xor with
        // the change keeps the mask.
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] =
                static_cast<char>(bytes[offset + i] ^ static_cast<char>(value >> (8 * i)));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        services_.readers->settings.timeLimit = TimeLimit;
        // What the stand-in readers are asked to read: a file must exist.
        QVERIFY(!write("any.mdb", "any").isEmpty());
    }
    void cleanup() { services_.readers->settings.executable.clear(); }

    void notADatabase_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<FailureKind>("kind");
        QTest::newRow("empty path")
            << QString() << "ファイルが指定されていません" << FailureKind::CannotOpen;
        QTest::newRow("missing file")
            << dir_.filePath("missing.mdb") << "ファイルがありません" << FailureKind::CannotOpen;
        QTest::newRow("directory")
            << dir_.path() << "ファイルではなくフォルダです" << FailureKind::CannotOpen;
        const QString fifo = dir_.filePath("fifo.mdb");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("FIFO, refused at once")
            << fifo << "通常のファイルではありません" << FailureKind::CannotOpen;
        QTest::newRow("zero bytes")
            << write("empty.mdb", {}) << "データベースとしては短すぎる" << FailureKind::Damaged;
        QByteArray noise(4096, '\0');
        QRandomGenerator random(20261207);
        random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("4 KiB of noise")
            << write("noise.mdb", noise) << "Access のデータベースではありません"
            << FailureKind::Damaged;
        QByteArray header = noise;
        header.replace(0, 20, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20));
        // Noise where the password is kept reads as a password.
        QTest::newRow("header then noise")
            << write("header.mdb", header) << "" << FailureKind::Protected;
        if (Fixtures::directory().isEmpty())
            return;
        QTest::newRow("password") << Fixtures::path("password.mdb")
                                  << "パスワードで保護されています" << FailureKind::Protected;
        // Encoded ("encrypted") files carry their page key in the header;
        // they are refused for what they are, whatever their pages hold.
        for (const QString name : {"testV1997.mdb", "testV2000.mdb"}) {
            QByteArray encoded = Fixtures::bytes(name);
            setHeaderField(encoded, 0x3E, 0x1234ABCD);
            QTest::newRow(qPrintable("encoded " + name))
                << write("encoded-" + name, encoded) << "暗号化されています"
                << FailureKind::Protected;
        }
    }
    void notADatabase() {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QFETCH(FailureKind, kind);
        expectEmptyResult(path, reason, kind);
    }

    void damagedFixtures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<FailureKind>("kind");
        if (Fixtures::directory().isEmpty())
            return;
        const QByteArray nwind = Fixtures::bytes("nwind.mdb");
        QTest::newRow("cut to half")
            << write("half.mdb", nwind.left(nwind.size() / 2)) << FailureKind::Damaged;
        QTest::newRow("cut after the header page")
            << write("header-page.mdb", nwind.left(2048)) << FailureKind::Damaged;
        // One byte in the catalog's table definition makes libmdb crash: a
        // reader that crashed, whatever made it.
        QByteArray crashing = Fixtures::bytes("testV1997.mdb");
        crashing[0x1023] = '\x3E';
        QTest::newRow("libmdb crashes") << write("crash.mdb", crashing) << FailureKind::Internal;
        // The definition page of Table2 no longer holds a table definition.
        QByteArray overwritten = Fixtures::bytes("testV2000.mdb");
        overwritten[30 * 4096] = '\x01';
        QTest::newRow("table definition overwritten")
            << write("overwritten.mdb", overwritten) << FailureKind::Damaged;
    }
    void damagedFixtures() {
        REQUIRE_FIXTURES();
        QFETCH(QString, path);
        QFETCH(FailureKind, kind);
        expectEmptyResult(path, "", kind);
    }

    // A catalog that cannot be read in full fails the open and says why.
    // libmdb passes over a catalog page it cannot use, with a line on
    // standard error, and the tables listed there would be missing.
    void damagedCatalog_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        if (Fixtures::directory().isEmpty())
            return;
        const auto damage = [this](const QString &fixture, qsizetype at, const QByteArray &bytes) {
            QByteArray b = Fixtures::bytes(fixture);
            b.replace(at, bytes.size(), bytes);
            return write(QString::number(at) + "-" + fixture, b);
        };
        const QString damaged = "データベースが壊れています: ";
        // The catalog's rows lie on page 14 of testV2000, 17 of
        // linkerTestV2007, 18 of testV1997 and on five pages of nwind, the
        // last of them 713. A page's first byte is its type: 0x01 data,
        // 0x02 table definition, 0x04 index.
        QTest::newRow("page type changed, Jet 4")
            << damage("testV2000.mdb", 14 * 4096, "\x04")
            << damaged + "ページ 14 はデータページではありません";
        QTest::newRow("page type changed, ACE")
            << damage("linkerTestV2007.accdb", 17 * 4096, "\x02")
            << damaged + "ページ 17 はデータページではありません";
        QTest::newRow("page zeroed, Jet 3")
            << damage("testV1997.mdb", 18 * 2048, QByteArray(2048, '\0'))
            << damaged + "ページ 18 はデータページではありません";
        QTest::newRow("page zeroed, one of five")
            << damage("nwind.mdb", 548 * 2048, QByteArray(2048, '\0'))
            << damaged + "ページ 548 はデータページではありません";
        QTest::newRow("cut before the last page")
            << write("cut.mdb", Fixtures::bytes("nwind.mdb").left(1346560))
            << damaged + "ページ 713 はファイルの終わりより後にあります";
        // The page's row count, at 12 in Jet 4: 5 of its 22 rows.
        QTest::newRow("rows fewer than declared")
            << damage("testV2000.mdb", 14 * 4096 + 12, QByteArray("\x05\0", 2))
            << damaged + "定義では 22 行のところ、5 行しか読み取れません";
        // Table2's definition continues from page 30 on page 708.
        QTest::newRow("table definition continues on a zeroed page")
            << damage("testV2000.mdb", 708 * 4096, QByteArray(4096, '\0'))
            << damaged + "テーブル「Table2」: ページ 708 はテーブル定義のページではありません";
    }
    void damagedCatalog() {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        expectEmptyResult(path, reason, FailureKind::Damaged);
    }

    // Only user tables' times are shown. In any other catalog entry, such as
    // MSysRelationships's, which is read for its id, a time that no
    // date-time value can hold is taken as none; in a user table's it still
    // fails the open.
    void impossibleTime_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("opens");
        QTest::newRow("relationship table") << "MSysRelationships" << true;
        QTest::newRow("user table") << "Suppliers" << false;
    }
    void impossibleTime() {
        REQUIRE_FIXTURES();
        QFETCH(QString, entry);
        QFETCH(bool, opens);
        Catalog original;
        original.setActiveConnection(
            mdlADO::OpenAccessConnection(services_.readers, Fixtures::path("nwind.mdb")));
        const double modified = original.Tables().Item(entry).DateModified().serial();
        // The time of the last change is the last fixed-length field of the
        // entry's row, just before its name (other rows, of forms say, may
        // share the name); doubles are stored little-endian, as here.
        QByteArray bytes = Fixtures::bytes("nwind.mdb");
        const QByteArray time(reinterpret_cast<const char *>(&modified), 8),
            name = entry.toLatin1();
        qsizetype at = -1;
        for (qsizetype n = bytes.indexOf(name); n >= 0 && at < 0; n = bytes.indexOf(name, n + 1))
            if (const qsizetype t = bytes.lastIndexOf(time, n); t >= 0 && n - t <= 16)
                at = t;
        QVERIFY(at >= 0);
        const double impossible = -1.16e308;
        bytes.replace(at, 8, QByteArray(reinterpret_cast<const char *>(&impossible), 8));
        const QString path = write("time-" + entry + ".mdb", bytes);
        if (!opens) {
            // The reader lists it; its answer is refused.
            expectEmptyResult(path, "読み取りプロセスの応答が不正です", FailureKind::Damaged);
            return;
        }
        const auto connection = mdlADO::OpenAccessConnection(services_.readers, path);
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QCOMPARE(catalog.Tables().Item(entry).DateModified().serial(), 0.0);
        // Its primary key and the three foreign keys of its relationships.
        QCOMPARE(catalog.Tables().Item("Orders").Keys().Count(), 4);
    }

    // A damaged property list gives no descriptions, and the table still
    // reads. libmdb's own parser loops on a chunk of length zero and reads
    // past the list on the longer lengths.
    void damagedPropertyList_data() {
        QTest::addColumn<int>("at"); // offset from the list's signature "MR2"
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("description");
        // The list: signature, then chunks of (length, kind): the names
        // (at 4), then the column's values (at 34) with its name and one
        // value, whose length is at 50 and name index at 54.
        QTest::newRow("intact") << 0 << QByteArray("MR2") << QStringLiteral("説明があります");
        QTest::newRow("chunk of length zero") << 4 << QByteArray(4, '\0') << QString();
        QTest::newRow("chunk longer than the list")
            << 34 << QByteArray("\xff\xff\xff\x7f") << QString();
        QTest::newRow("value longer than its chunk") << 50 << QByteArray("\xff\xff") << QString();
        QTest::newRow("name index out of range") << 54 << QByteArray("\xff\x7f") << QString();
        QTest::newRow("long value longer than its field")
            << -12 << QByteArray("\xff\xff\xff\x80") << QString();
    }
    void damagedPropertyList() {
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, description);
        TestDatabase db;
        db.tables << TestTable{
            "T",   {},    {},
            false, false, {{"説明", "long", 0, false, "説明があります"}, {"なし", "text", 20}},
            {}};
        const QString path = dir_.filePath("properties.mdb");
        WriteJet4(db, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray content = file.readAll();
        const QByteArray signature("MR2\0", 4);
        QCOMPARE(content.count(signature), 1);
        content.replace(content.indexOf(signature) + at, bytes.size(), bytes);
        QVERIFY(file.seek(0) && file.write(content) == content.size());
        file.close();

        Catalog catalog;
        catalog.setActiveConnection(mdlADO::OpenAccessConnection(services_.readers, path));
        QStringList names, descriptions;
        for (const Column &c : catalog.Tables().Item("T").Columns()) {
            names << c.Name();
            descriptions << c.Description();
        }
        QCOMPARE(names, (QStringList{"説明", "なし"}));
        QCOMPARE(descriptions, (QStringList{description, QString()}));
        // The description is the list's only property: damaged, the list gives none.
        const Column &described = catalog.Tables().Item("T").Columns().Item(0);
        QCOMPARE(described.Properties().Count(), description.isEmpty() ? 0 : 1);
    }

    // Cut and flipped bytes in the property lists of nwind's Orders and
    // Umsätze, or in the index part of Orders' table
    // definition, give each table's design with less in it, or for the index part also a failed
    // read of designs (libmdb reads that part too, and may crash on it),
    // within the time limits: never a failed open, nor a crash or a hang of
    // the program. What an index names is a column of its table.
    void damagedFacts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("designsRead");
        if (Fixtures::directory().isEmpty())
            return;
        const QByteArray nwind = Fixtures::bytes("nwind.mdb");
        const qsizetype orders = 449 * 2048;
        // The definition's stored and logical indexes and their names follow
        // the last column's name; its length (at 8) counts from after the page header.
        const qsizetype indexes = nwind.indexOf("ShipCountry", orders) + 11;
        quint32 length = 0;
        memcpy(&length, nwind.constData() + orders + 8, 4);
        const qsizetype end = orders + 8 + length;
        // The two lists start on a page each and go on on the next, where a
        // column's description lies that these two tables alone have.
        QList<qsizetype> lists;
        const QByteArray signature("KKD\0", 4);
        for (qsizetype at = nwind.indexOf(signature); at >= 0;
             at = nwind.indexOf(signature, at + 1))
            if (nwind.mid(at, 4096).contains("Same as Shipper ID in Shippers table."))
                lists << at;
        if (indexes <= orders || end <= indexes || end > orders + 2048 || lists.size() != 2) {
            QTest::newRow("nwind is not the one these damages are made for") << QString() << true;
            return;
        }

        QRandomGenerator random(20261208);
        auto row = [&](const QString &name, QByteArray bytes, bool designsRead) {
            QTest::newRow(qPrintable(name))
                << write(QString(name).replace(' ', '-') + ".mdb", bytes) << designsRead;
        };
        for (int n = 0; n < 8; ++n) {
            QByteArray b = nwind;
            for (int i = 0, count = 1 + random.bounded(8); i < count; ++i)
                b[random.bounded(indexes, indexes + 600)] = char(random.bounded(256));
            row(QStringLiteral("index part, flipped %1").arg(n), b, false);
        }
        for (int n = 0; n < 3; ++n) {
            QByteArray b = nwind;
            // Within the indexes' part, which takes about 600 bytes here.
            const qsizetype from = random.bounded(indexes, indexes + 600);
            b.replace(from, end - from, QByteArray(end - from, '\0'));
            row(QStringLiteral("index part, cut at %1").arg(from - orders), b, false);
        }
        for (int n = 0; n < 8; ++n) {
            QByteArray b = nwind;
            const qsizetype list = lists[random.bounded(lists.size())];
            for (int i = 0, count = 1 + random.bounded(8); i < count; ++i)
                b[list + 4 + random.bounded(1500)] = char(random.bounded(256));
            row(QStringLiteral("property list, flipped %1").arg(n), b, true);
        }
        for (int n = 0; n < 3; ++n) {
            QByteArray b = nwind;
            const qsizetype list = lists[random.bounded(lists.size())];
            const qsizetype from = list + random.bounded(1500);
            b.replace(from, 1200, QByteArray(1200, '\0'));
            row(QStringLiteral("property list, cut at %1").arg(from - list), b, true);
        }
    }
    void damagedFacts() {
        QFETCH(QString, path);
        QFETCH(bool, designsRead);
        QElapsedTimer timer;
        timer.start();
        const auto connection = mdlADO::OpenAccessConnection(services_.readers, path);
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        for (const Table &t : catalog.Tables()) {
            if (t.Type() != QLatin1String("TABLE"))
                continue;
            try {
                QStringList columns;
                for (const Column &c : t.Columns())
                    columns << c.Name() + QString::number(c.Properties().Count());
                for (const Index &i : t.Indexes())
                    for (const IndexColumn &c : i.Columns())
                        QVERIFY2(std::any_of(t.Columns().begin(), t.Columns().end(),
                                             [&](const Column &column) {
                                                 return column.Name() == c.Name();
                                             }),
                                 qPrintable(t.Name() + "." + i.Name()));
                QVERIFY(t.Relationships().Count() >= 0 && t.Properties().Count() >= 0);
            } catch (const Failure &e) {
                QVERIFY2(!designsRead, qPrintable(e.reason()));
            }
        }
        // Each answer within its limit: one reader fails once, and answers nothing after.
        QVERIFY2(timer.elapsed() < TimeLimit.count() + 4000,
                 qPrintable(QString::number(timer.elapsed())));
    }

    void misbehavingReader_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("counted"); // how the failure is counted
        QTest::addColumn<QString>("reason");
        QTest::addColumn<FailureKind>("kind");
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << "crashed"
                                 << "読み取りプロセスが異常終了しました" << FailureKind::Internal;
        QTest::newRow("hangs") << QByteArray("exec sleep 600") << "timed out"
                               << "読み取りプロセスが 1.5 秒以内に応答しません"
                               << FailureKind::Internal;
        QTest::newRow("exits non-zero")
            << QByteArray("exit 3") << "failed"
            << "読み取りプロセスが応答せずに終了しました（終了コード 3）" << FailureKind::Internal;
        QTest::newRow("answers garbage")
            << QByteArray("echo 'Segmentation fault'; sleep 600") << "failed"
            << "読み取りプロセスの応答が不正です" << FailureKind::Damaged;
        QTest::newRow("answers half a line then hangs")
            << QByteArray("printf '{\"tables\":['; exec sleep 600") << "timed out"
            << "読み取りプロセスが 1.5 秒以内に応答しません" << FailureKind::Internal;
        QTest::newRow("answers an error")
            << QByteArray("echo '{\"error\":\"why not\"}'; exit 1") << "failed"
            << "why not" << FailureKind::Internal;
        QTest::newRow("answers an error of a kind")
            << QByteArray("echo '{\"error\":\"why not\",\"kind\":\"Protected\"}'; exit 1")
            << "failed"
            << "why not" << FailureKind::Protected;
        QTest::newRow("answers an error of no kind there is")
            << QByteArray("echo '{\"error\":\"why not\",\"kind\":\"Tired\"}'; exit 1") << "failed"
            << "読み取りプロセスの応答が不正です" << FailureKind::Damaged;
        QTest::newRow("not executable") << QByteArray() << ""
                                        << "読み取りプロセス" << FailureKind::Internal;
    }
    void misbehavingReader() {
        QFETCH(QByteArray, script);
        QFETCH(QString, counted);
        QFETCH(QString, reason);
        QFETCH(FailureKind, kind);
        const QString reader = fakeReader(QTest::currentDataTag(), script);
        if (script.isEmpty())
            QFile::setPermissions(reader, QFile::ReadOwner);
        services_.readers->settings.executable = reader;
        const Readers::Statistics before = services_.readers->statistics;
        expectEmptyResult(dir_.path() + "/any.mdb", reason, kind);
        const Readers::Statistics &after = services_.readers->statistics;
        QCOMPARE(after.crashed - before.crashed, counted == "crashed" ? 1 : 0);
        QCOMPARE(after.timedOut - before.timedOut, counted == "timed out" ? 1 : 0);
        QCOMPARE(after.failed - before.failed, counted == "failed" ? 1 : 0);
    }

    // What a reader writes to its standard error goes to the log, the first
    // of it when it writes more than a pipe holds; it never waits for the
    // program to read it, and still answers in time.
    void readerErrorOutputIsLogged() {
        services_.readers->settings.executable =
            fakeReader("chatty", "echo 'page 3 looks odd' >&2\n"
                                 "head -c 200000 /dev/zero | tr '\\0' x >&2\n"
                                 "echo '{\"error\":\"why not\",\"kind\":\"Damaged\"}'");
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^the reader of .*/any.mdb wrote: page 3 looks "
                                                "odd\nx{8000,8192}…$"));
        expectEmptyResult(dir_.path() + "/any.mdb", "why not", FailureKind::Damaged);
    }

    // A reader that writes without end is cut off at the size an answer may
    // have, long before its time limit, however steadily the bytes come.
    void floodingReaderIsCutOff() {
        services_.readers->settings.executable = fakeReader("flood", "exec cat /dev/zero");
        services_.readers->settings.timeLimit = std::chrono::seconds(60);
        QElapsedTimer timer;
        timer.start();
        std::optional<Failure> why;
        const auto connection =
            mdlADO::OpenAccessConnection(services_.readers, dir_.path() + "/any.mdb", &why);
        services_.readers->settings.timeLimit = TimeLimit;
        QVERIFY(!connection);
        QCOMPARE(why->reasonOrMessage(),
                 QStringLiteral("読み取りプロセスの応答が 64 MiB を超えています"));
        QCOMPARE(why->kind(), FailureKind::Damaged);
        QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
    }

    // Too few descriptors left for the reader's pipes: the reason says so,
    // not that the reader is missing.
    void tooManyOpenFiles_data() {
        QTest::addColumn<int>("spare"); // descriptors free above those in use
        QTest::newRow("room for the database") << 1;
        QTest::newRow("and a pipe") << 3;
        QTest::newRow("and three pipes") << 7;
    }
    void tooManyOpenFiles() {
        QFETCH(int, spare);
        const QString path = dir_.filePath("files.mdb");
        TestDatabase db;
        db.tables << TestTable{"t", {}, {}, false, false, {{"id", "long"}}, {}};
        WriteJet4(db, path);
        int highest = 2;
        for (const QString &fd :
             QDir("/proc/self/fd").entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
            highest = std::max(highest, fd.toInt());
        // Every number up to the highest in use taken, so that exactly the
        // spare ones are left under the limit.
        QList<int> fillers;
        for (int fd = -1; fd < highest && (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            fillers << fd;
        rlimit before{};
        QVERIFY(getrlimit(RLIMIT_NOFILE, &before) == 0);
        const rlimit few{rlim_t(highest + 1 + spare), before.rlim_max};
        QVERIFY(setrlimit(RLIMIT_NOFILE, &few) == 0);
        std::optional<Failure> why;
        const auto connection = mdlADO::OpenAccessConnection(services_.readers, path, &why);
        setrlimit(RLIMIT_NOFILE, &before);
        for (const int fd : fillers)
            ::close(fd);
        QVERIFY(!connection);
        QVERIFY2(why->reasonOrMessage().contains(SystemError(EMFILE)),
                 qPrintable(why->reasonOrMessage()));
    }

    // A table definition that claims fifty million indexes and continues on
    // itself sends libmdb into allocating until it is stopped: the catalog
    // still lists, reading that table fails in time.
    void runawayTableDefinition() {
        REQUIRE_FIXTURES();
        QByteArray bytes = Fixtures::bytes("testV2000.mdb");
        const qsizetype definition = 24 * 4096;
        const quint32 self = 24, indexes = 50'000'000;
        memcpy(bytes.data() + definition + 4, &self, 4);
        memcpy(bytes.data() + definition + 47, &indexes, 4);
        const auto connection =
            mdlADO::OpenAccessConnection(services_.readers, write("runaway.mdb", bytes));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(Failure, catalog.Tables().Item("Table1").Columns());
        QVERIFY(timer.elapsed() < TimeLimit.count() + 2000);
    }

    // The reader runs bounded: 2 GiB of address space and a CPU time limit.
    void readerRunsWithinBounds() {
        REQUIRE_FIXTURES();
        const auto connection =
            mdlADO::OpenAccessConnection(services_.readers, Fixtures::path("testV2000.mdb"));
        QVERIFY(connection);
        const QList<qint64> readers = ChildProcesses("quillmere-reader");
        QCOMPARE(readers.size(), 1);
        QFile limits(QStringLiteral("/proc/%1/limits").arg(readers[0]));
        QVERIFY(limits.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(limits.readAll()).simplified();
        QVERIFY2(text.contains("Max address space 2147483648 2147483648 bytes"), qPrintable(text));
        QVERIFY2(text.contains("Max cpu time 120 125 seconds"), qPrintable(text));
    }

    // With the time limit far away, a file that sends libmdb allocating
    // without end fails on the memory bound within seconds, not minutes.
    void memoryBoundStopsARunawayReader() {
        REQUIRE_FIXTURES();
        services_.readers->settings.timeLimit = std::chrono::seconds(120);
        QByteArray bytes = Fixtures::bytes("testV2000.mdb");
        const qsizetype definition = 24 * 4096;
        const quint32 self = 24, indexes = 20'000'000; // far beyond 2 GiB of index records
        memcpy(bytes.data() + definition + 4, &self, 4);
        memcpy(bytes.data() + definition + 47, &indexes, 4);
        const auto connection =
            mdlADO::OpenAccessConnection(services_.readers, write("bounded.mdb", bytes));
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        const int crashedBefore = services_.readers->statistics.crashed;
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(Failure, catalog.Tables().Item("Table1").Columns());
        services_.readers->settings.timeLimit = TimeLimit;
        QVERIFY2(timer.elapsed() < 60'000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(services_.readers->statistics.crashed, crashedBefore + 1);
    }

    // A reader that dies or stops answering after the catalog makes reading
    // that table's design a clear failure, also within the time limit.
    void readerFailsOnTableDesign_data() {
        QTest::addColumn<QByteArray>("afterRequest");
        QTest::addColumn<QString>("reason");   // how the table's failure's reason starts
        QTest::addColumn<FailureKind>("kind"); // the reader's, kept by the table's failure
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << "読み取りプロセス"
                                 << FailureKind::Internal;
        QTest::newRow("hangs") << QByteArray("exec sleep 600") << "読み取りプロセス"
                               << FailureKind::Internal;
        QTest::newRow("answers garbage")
            << QByteArray("echo '{\"columns\":[{}],\"keys\":[]}'; sleep 600") << "読み取りプロセス"
            << FailureKind::Damaged;
        QTest::newRow("refuses the table")
            << QByteArray("echo '{\"error\":\"壊れています\",\"kind\":\"Damaged\"}'; sleep 600")
            << "壊れています" << FailureKind::Damaged;
    }
    void readerFailsOnTableDesign() {
        QFETCH(QByteArray, afterRequest);
        QFETCH(QString, reason);
        QFETCH(FailureKind, kind);
        services_.readers->settings.executable =
            fakeReader(QStringLiteral("design-") + QTest::currentDataTag(),
                       "echo "
                       "'{\"tables\":[{\"id\":7,\"name\":\"T\",\"type\":\"TABLE\",\"created\":1,"
                       "\"modified\":2}]}'\n"
                       "read request\n" +
                           afterRequest);
        const auto connection =
            mdlADO::OpenAccessConnection(services_.readers, dir_.path() + "/any.mdb");
        QVERIFY(connection);
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QElapsedTimer timer;
        timer.start();
        try {
            catalog.Tables().Item("T").Columns();
            QFAIL("a failed design was accepted");
        } catch (const Failure &e) {
            QVERIFY(e.message().contains("T"));
            QVERIFY2(e.reason().startsWith(reason), qPrintable(e.reason()));
            QCOMPARE(e.kind(), kind);
        }
        QVERIFY(timer.elapsed() < TimeLimit.count() + 2000);
        // Once failed, the reader is not asked again.
        QVERIFY_THROWS_EXCEPTION(Failure, catalog.Tables().Item("T").Keys());
    }
};

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
