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

    // What the file keeps beside columns and keys, each member in its kind;
    // an answer without them has none.
    void tableFacts() {
        const auto design = DecodeTableAnswer(
            R"({"columns":[{"name":"ID","type":3,"definedSize":0,"autoNumber":"increment",)"
            R"("properties":[{"name":"Caption","value":"番号","ddl":true},)"
            R"({"name":"Required","value":false,"ddl":true},{"name":"ColumnWidth","value":-1,)"
            R"("ddl":false}]},{"name":"Amount","type":131,"definedSize":0,"precision":18,)"
            R"("scale":4},{"name":"Files","type":12,"definedSize":0,"complex":"attachment"},)"
            R"({"name":"Link","type":203,"definedSize":0,"hyperlink":true}],"keys":[],)"
            R"("recordCount":4294967295,"properties":[{"name":"Description","value":"注文",)"
            R"("ddl":true}],"indexes":[{"name":"PrimaryKey","columns":[{"name":"ID",)"
            R"("descending":true}],"primary":true,"unique":true,"ignoreNulls":false,)"
            R"("required":true,"foreignKey":false}],"relationships":[{"name":"R",)"
            R"("primaryTable":"P","primaryColumns":["a","b"],"relatedTable":"T",)"
            R"("relatedColumns":["c","d"],"oneToOne":true,"enforced":true,)"
            R"("cascadeUpdates":false,"cascadeDeletes":true,"cascadeNull":false,"join":"right"}]})");
        QVERIFY(design);
        const ColumnTraits &id = design->columns[0].traits;
        QCOMPARE(id.autoNumber, ColumnTraits::AutoNumber::Increment);
        QCOMPARE(id.properties.Count(), 3);
        QCOMPARE(id.properties.Find("caption")->Value(), PropertyValue::text("番号"));
        QVERIFY(id.properties.Find("Caption")->IsDdl());
        QCOMPARE(id.properties.Item(1).Value(), PropertyValue::boolean(false));
        QCOMPARE(id.properties.Item(2).Value(), PropertyValue::number(-1));
        QCOMPARE(design->columns[1].traits.precision, std::optional<qint32>(18));
        QCOMPARE(design->columns[1].traits.scale, std::optional<qint32>(4));
        QCOMPARE(design->columns[2].traits.complex, ColumnTraits::Complex::Attachment);
        QVERIFY(design->columns[3].traits.hyperlink);
        QCOMPARE(design->recordCount, qint64(4294967295));
        QCOMPARE(design->properties.TextOf("Description"), QStringLiteral("注文"));
        QCOMPARE(design->indexes.size(), size_t(1));
        QVERIFY(design->indexes[0].Primary() && design->indexes[0].Required());
        QVERIFY(design->indexes[0].Columns().Item(0).Descending());
        QCOMPARE(design->relationships.size(), size_t(1));
        const Relationship &r = design->relationships[0];
        QCOMPARE(r.PrimaryColumns(), (QStringList{"a", "b"}));
        QCOMPARE(r.RelatedColumns(), (QStringList{"c", "d"}));
        QVERIFY(r.OneToOne() && r.Enforced() && !r.CascadeUpdates() && r.CascadeDeletes());
        QCOMPARE(r.JoinType(), Relationship::Join::Right);

        const auto plain =
            DecodeTableAnswer(R"({"columns":[{"name":"a","type":3,"definedSize":0}],"keys":[]})");
        QVERIFY(plain);
        QCOMPARE(plain->columns[0].traits.autoNumber, ColumnTraits::AutoNumber::None);
        QVERIFY(!plain->columns[0].traits.precision);
        QCOMPARE(plain->recordCount, 0);
        QVERIFY(plain->indexes.empty() && plain->relationships.empty());
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
        // The facts beside columns and keys, when there, are as strictly checked.
        const QByteArray column = R"({"columns":[{"name":"a","type":3,"definedSize":0,)";
        QTest::newRow("unknown AutoNumber") << column + R"("autoNumber":"sometimes"}],"keys":[]})";
        QTest::newRow("hyperlink as text") << column + R"("hyperlink":"true"}],"keys":[]})";
        QTest::newRow("unknown complex kind") << column + R"("complex":"many"}],"keys":[]})";
        QTest::newRow("fractional precision") << column + R"("precision":1.5}],"keys":[]})";
        QTest::newRow("property value null")
            << column + R"("properties":[{"name":"p","value":null,"ddl":true}]}],"keys":[]})";
        QTest::newRow("property without ddl")
            << column + R"("properties":[{"name":"p","value":1}]}],"keys":[]})";
        QTest::newRow("properties as object") << column + R"("properties":{"p":1}}],"keys":[]})";
        const QByteArray table = R"({"columns":[],"keys":[],)";
        QTest::newRow("negative record count") << table + R"("recordCount":-1})";
        QTest::newRow("index without flags") << table + R"("indexes":[{"name":"i","columns":[]}]})";
        QTest::newRow("index column as text")
            << table + R"("indexes":[{"name":"i","columns":["a"],"primary":false,"unique":false,)"
                       R"("ignoreNulls":false,"required":false,"foreignKey":false}]})";
        QTest::newRow("unknown join")
            << table + R"("relationships":[{"name":"r","primaryTable":"p","primaryColumns":[],)"
                       R"("relatedTable":"t","relatedColumns":[],"oneToOne":false,)"
                       R"("enforced":true,"cascadeUpdates":false,"cascadeDeletes":false,)"
                       R"("cascadeNull":false,"join":"outer"}]})";
        QTest::newRow("relationship columns not array")
            << table + R"("relationships":[{"name":"r","primaryTable":"p","primaryColumns":"a",)"
                       R"("relatedTable":"t","relatedColumns":[],"oneToOne":false,)"
                       R"("enforced":true,"cascadeUpdates":false,"cascadeDeletes":false,)"
                       R"("cascadeNull":false,"join":"inner"}]})";
    }
    void badTableAnswers() {
        QFETCH(QByteArray, answer);
        QVERIFY(!DecodeTableAnswer(answer));
    }
};

QTEST_GUILESS_MAIN(TestReaderAnswers)
#include "tst_readeranswers.moc"
