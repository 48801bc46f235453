#include "common/PoolTask.h"
#include "database/ReaderAnswers.h"

#include <QTest>

class TestReaderAnswers : public QObject {
    Q_OBJECT

private slots:
    // Answers are decoded on the workers: what a decoding throws reaches
    // whoever takes its result, and the result is there also when no worker
    // ever takes the work up (here: none may begin any more).
    void workOnTheWorkers() {
        Workers workers;
        PoolTask<int> failing(workers, []() -> int { throw std::bad_alloc(); });
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, failing.take());
        PoolTask<int> answered(workers, [] { return 42; });
        QCOMPARE(answered.take(), 42);
        workers.letFinish(1000);
        PoolTask<int> unbegun(workers, [] { return 7; });
        QCOMPARE(unbegun.take(), 7);
    }

    void catalogAnswer() {
        const auto entries =
            DecodeCatalogAnswer("{\"tables\":[{\"id\":-2147483595,\"name\":\"Umsätze\",\"type\":"
                                "\"TABLE\",\"created\":34955.5,\"modified\":34956.25},"
                                "{\"id\":2,\"name\":\"MSysObjects\",\"type\":\"SYSTEM "
                                "TABLE\",\"created\":0,\"modified\":-1.5,\"extra\":true}]}");
        QVERIFY(entries);
        QCOMPARE(entries->size(), size_t(2));
        QCOMPARE(entries->at(0).id, qint64(-2147483595));
        QCOMPARE(entries->at(0).name, QStringLiteral("Umsätze"));
        QCOMPARE(entries->at(0).type, QStringLiteral("TABLE"));
        QCOMPARE(entries->at(0).created.serial(), 34955.5);
        QCOMPARE(entries->at(0).modified.serial(), 34956.25);
        QCOMPARE(entries->at(1).modified.serial(), -1.5);
        QVERIFY(DecodeCatalogAnswer("{\"tables\":[]}"));
    }

    void badCatalogAnswers_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("Segmentation fault");
        QTest::newRow("cut short") << QByteArray("{\"tables\":[{\"id\":1,\"name\":\"a\"");
        QTest::newRow("error answer") << QByteArray("{\"error\":\"cannot read the catalog\"}");
        QTest::newRow("array at top") << QByteArray("[{\"tables\":[]}]");
        QTest::newRow("tables not array") << QByteArray("{\"tables\":{}}");
        QTest::newRow("entry not object") << QByteArray("{\"tables\":[1]}");
        QTest::newRow("missing id") << QByteArray(
            "{\"tables\":[{\"name\":\"a\",\"type\":\"TABLE\",\"created\":1,\"modified\":1}]}");
        QTest::newRow("fractional id")
            << QByteArray("{\"tables\":[{\"id\":1.5,\"name\":\"a\",\"type\":\"TABLE\",\"created\":"
                          "1,\"modified\":1}]}");
        QTest::newRow("id as text")
            << QByteArray("{\"tables\":[{\"id\":\"1\",\"name\":\"a\",\"type\":\"TABLE\","
                          "\"created\":1,\"modified\":1}]}");
        QTest::newRow("name not text") << QByteArray(
            "{\"tables\":[{\"id\":1,\"name\":7,\"type\":\"TABLE\",\"created\":1,\"modified\":1}]}");
        QTest::newRow("missing type")
            << QByteArray("{\"tables\":[{\"id\":1,\"name\":\"a\",\"created\":1,\"modified\":1}]}");
        QTest::newRow("null date") << QByteArray("{\"tables\":[{\"id\":1,\"name\":\"a\",\"type\":"
                                                 "\"TABLE\",\"created\":null,\"modified\":1}]}");
        QTest::newRow("date past 9999")
            << QByteArray("{\"tables\":[{\"id\":1,\"name\":\"a\",\"type\":\"TABLE\",\"created\":1,"
                          "\"modified\":3e6}]}");
        QTest::newRow("date before 100")
            << QByteArray("{\"tables\":[{\"id\":1,\"name\":\"a\",\"type\":\"TABLE\",\"created\":-"
                          "7e5,\"modified\":1}]}");
        QTest::newRow("second entry bad")
            << QByteArray("{\"tables\":[{\"id\":1,\"name\":\"a\",\"type\":\"TABLE\",\"created\":1,"
                          "\"modified\":1},{\"id\":2}]}");
    }
    void badCatalogAnswers() {
        QFETCH(QByteArray, answer);
        QVERIFY(!DecodeCatalogAnswer(answer));
    }

    void tableAnswer() {
        const auto design =
            DecodeTableAnswer("{\"columns\":[{\"name\":\"顧客ID\",\"type\":3,\"definedSize\":0},{"
                              "\"name\":\"氏名\",\"type\":202,\"definedSize\":50}],"
                              "\"keys\":[{\"name\":\"PrimaryKey\",\"columns\":[\"顧客ID\"]},{"
                              "\"name\":\"Empty\",\"columns\":[]}]}");
        QVERIFY(design);
        QCOMPARE(design->columns.size(), size_t(2));
        QCOMPARE(design->columns[1].name, QStringLiteral("氏名"));
        QCOMPARE(design->columns[1].type, 202);
        QCOMPARE(design->columns[1].definedSize, 50);
        QCOMPARE(design->keys.size(), size_t(2));
        QCOMPARE(design->keys[0].name, QStringLiteral("PrimaryKey"));
        QCOMPARE(design->keys[0].columns, QStringList{QStringLiteral("顧客ID")});
        QVERIFY(design->keys[1].columns.isEmpty());
    }

    void badTableAnswers_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("error answer") << QByteArray("{\"error\":\"no such table\"}");
        QTest::newRow("missing keys") << QByteArray("{\"columns\":[]}");
        QTest::newRow("missing columns") << QByteArray("{\"keys\":[]}");
        QTest::newRow("type beyond 32 bits") << QByteArray(
            "{\"columns\":[{\"name\":\"a\",\"type\":4294967296,\"definedSize\":0}],\"keys\":[]}");
        QTest::newRow("size fractional") << QByteArray(
            "{\"columns\":[{\"name\":\"a\",\"type\":3,\"definedSize\":0.5}],\"keys\":[]}");
        QTest::newRow("column name missing")
            << QByteArray("{\"columns\":[{\"type\":3,\"definedSize\":0}],\"keys\":[]}");
        QTest::newRow("key columns not array")
            << QByteArray("{\"columns\":[],\"keys\":[{\"name\":\"k\",\"columns\":\"a\"}]}");
        QTest::newRow("key column not text")
            << QByteArray("{\"columns\":[],\"keys\":[{\"name\":\"k\",\"columns\":[1]}]}");
        QTest::newRow("key without name")
            << QByteArray("{\"columns\":[],\"keys\":[{\"columns\":[]}]}");
        QTest::newRow("truncated")
            << QByteArray("{\"columns\":[{\"name\":\"a\",\"type\":3,\"definedSi");
    }
    void badTableAnswers() {
        QFETCH(QByteArray, answer);
        QVERIFY(!DecodeTableAnswer(answer));
    }
};

QTEST_GUILESS_MAIN(TestReaderAnswers)
#include "tst_readeranswers.moc"
