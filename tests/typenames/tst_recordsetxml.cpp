#include "common/Failure.h"
#include "common/TextHash.h"
#include "support/Files.h"
#include "support/GuardedFifo.h"
#include "support/ProcessMemory.h"
#include "typenames/TypeName.h"
#include "typenames/mdlXmlConv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace mdlXmlConv;

namespace {

const QByteArray Head =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
    "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
    "     xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n";

const QByteArray IdAndName =
    "<s:AttributeType name='ID' rs:number='1'><s:datatype dt:type='int' "
    "dt:maxLength='4'/></s:AttributeType>\n"
    "<s:AttributeType name='EnumName' rs:number='2' rs:nullable='true'><s:datatype "
    "dt:type='string'/></s:AttributeType>\n";

// A persisted recordset with the given attribute types and rows.
QByteArray Saved(const QByteArray &attributes, const QByteArray &rows) {
    return Head + "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>\n" +
           attributes + "<s:extends type='rs:rowbase'/></s:ElementType></s:Schema>\n<rs:data>\n" +
           rows + "</rs:data>\n</xml>\n";
}

// The slowest file within every bound: a record of as many attributes as an
// element may have; as many namespaces as a file may declare, with names as
// long, each declared a level deeper; elements nested as deep as they may be;
// and from there to the size limit empty elements, whose names the reader
// looks up through every declaration.
QByteArray Slowest() {
    QByteArray row = "<z:row ID='3' EnumName='X'";
    for (int i = 0; i < 62; ++i)
        row += " a" + QByteArray::number(i) + "=''";
    QByteArray open, close;
    for (int level = 0; level < 61; ++level) { // under xml and rs:data, and over the empty elements
        // To Head's four namespaces, named in 127 characters, 28 named in 897.
        open += level < 28 ? "<n xmlns:p" + QByteArray::number(level) + "='" +
                                 QByteArray(level ? 32 : 33, 'u') + "'>"
                           : QByteArray("<n>");
        close += "</n>";
    }
    const qsizetype room = 16 * 1024 * 1024 - Saved(IdAndName, row + "/>" + open + close).size();
    return Saved(IdAndName, row + "/>" + open + QByteArray("<a/>").repeated(room / 4) + close);
}

QString NameOf(Recordset &names, int code) {
    const QVariant v = TypeName(names, code);
    return v.isValid() ? v.toString() : QStringLiteral("<null>");
}

// A load, under a cap on the address space so that one that runs away with
// memory fails here rather than taking the machine's; what it threw, if it
// did.
struct Load {
    std::unique_ptr<Recordset> recordset;
    QString thrown;
};
Load LoadCapped(const QString &path) {
    const ProcessMemory::AddressSpaceCap cap(qint64(1) << 30);
    try {
        return {LoadRecordsetXml(path), {}};
    } catch (const std::exception &e) {
        return {nullptr, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {nullptr, QStringLiteral("an exception")};
    }
}

} // namespace

class TestRecordsetXml : public QObject {
    Q_OBJECT

private slots:
    // The file the program ships names every ADO type code by its constant.
    void shippedFile() {
        const auto names =
            LoadRecordsetXml(QCoreApplication::applicationDirPath() + "/DataTypeEnum.xml");
        QVERIFY(names);
        const QList<int> codes = {0,   2,   3,   4,   5,   6,   7,   8,   9,   10,
                                  11,  12,  13,  14,  16,  17,  18,  19,  20,  21,
                                  64,  72,  128, 129, 130, 131, 132, 133, 134, 135,
                                  136, 138, 139, 200, 201, 202, 203, 204, 205, 8192};
        QCOMPARE(names->RecordCount(), codes.size());
        for (int code : codes) {
            const QString name = NameOf(*names, code);
            QVERIFY2(name.startsWith("ad"),
                     qPrintable(QStringLiteral("%1: %2").arg(code).arg(name)));
            QCOMPARE(names->RecordCount(), 1);
        }
        const QMap<int, QString> known = {
            {202, "adVarWChar"},      {3, "adInteger"},  {2, "adSmallInt"},
            {11, "adBoolean"},        {7, "adDate"},     {203, "adLongVarWChar"},
            {205, "adLongVarBinary"}, {72, "adGUID"},    {17, "adUnsignedTinyInt"},
            {131, "adNumeric"},       {8192, "adArray"}, {0, "adEmpty"}};
        for (auto it = known.begin(); it != known.end(); ++it)
            QCOMPARE(NameOf(*names, it.key()), it.value());
        QCOMPARE(NameOf(*names, 1), QStringLiteral("#Error#"));
    }

    void lookups() {
        const auto names =
            ParseRecordsetXml(Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n"
                                               "<z:row ID='202' EnumName='adVarWChar'/>\n"
                                               "<z:row ID='3' EnumName='Y'/>\n"
                                               "<z:row ID='7' EnumName=''/>\n"
                                               "<z:row ID='8'/>\n"));
        QVERIFY(names);
        QCOMPARE(NameOf(*names, 3), QStringLiteral("X")); // the first in file order
        QCOMPARE(names->RecordCount(), 2);
        QCOMPARE(NameOf(*names, 11), QStringLiteral("#Error#"));
        QCOMPARE(NameOf(*names, 202),
                 QStringLiteral("adVarWChar")); // each filter replaces the last
        QCOMPARE(NameOf(*names, 7), QString(""));
        QCOMPARE(NameOf(*names, 8), QStringLiteral("<null>"));
        names->setFilter(QString());
        QCOMPARE(names->RecordCount(), 5);
    }

    void emptyRecordsetNamesNothing() {
        const auto names = ParseRecordsetXml(Saved(IdAndName, ""));
        QVERIFY(names);
        for (int code : {0, 3, 202})
            QCOMPARE(NameOf(*names, code), QStringLiteral("#Error#"));
    }

    void fieldsByNameInAnyOrder() {
        // Extra fields are ignored; a field whose name is no XML name is
        // stored under another attribute name, with rs:name its own.
        const QByteArray attributes =
            "<s:AttributeType name='Note' dt:type='string'/>\n"
            "<s:AttributeType name='c1' rs:name='EnumName'><s:datatype "
            "dt:type='string'/></s:AttributeType>\n"
            "<s:AttributeType name='ID'><s:datatype dt:type='i2'/></s:AttributeType>\n";
        const auto names =
            ParseRecordsetXml(Saved(attributes, "<z:row Note='n' c1='adInteger' ID='3'/>\n"));
        QVERIFY(names);
        QCOMPARE(names->fields(), (QStringList{"Note", "EnumName", "ID"}));
        QCOMPARE(NameOf(*names, 3), QStringLiteral("adInteger"));
    }

    // A name given again in another case stands for its first field, however
    // the filter spells it.
    void sameNameInAnotherCase() {
        const QByteArray attributes =
            "<s:AttributeType name='id'><s:datatype dt:type='i2'/></s:AttributeType>\n"
            "<s:AttributeType name='ID' dt:type='string'/>\n"
            "<s:AttributeType name='EnumName' dt:type='string'/>\n";
        const auto names =
            ParseRecordsetXml(Saved(attributes, "<z:row id='3' ID='x' EnumName='A'/>\n"));
        QVERIFY(names);
        for (const char *spelled : {"ID=3", "id=3", "Id=3"}) {
            names->setFilter(spelled);
            QVERIFY2(names->RecordCount() == 1, spelled);
        }
        names->setFilter("ID='x'");
        QCOMPARE(names->RecordCount(), 0); // the first field holds numbers
    }

    void rowsAddedBeforeSavingCount() {
        const auto names = ParseRecordsetXml(
            Saved(IdAndName, "<z:row ID='1' EnumName='a'/>\n"
                             "<rs:insert><z:row ID='2' EnumName='b'/></rs:insert>\n"));
        QVERIFY(names);
        QCOMPARE(NameOf(*names, 2), QStringLiteral("b"));
    }

    // The name file lies beside the program for the user to edit, so
    // anything may stand in its place. Only a regular file of at most
    // 16 MiB is read; nothing waits on a FIFO, reads an endless device or
    // throws on the way.
    void onlyARegularFileWithinTheLimit_data() {
        QTest::addColumn<QString>("what"); // "file": a regular file of these bytes
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("name"); // of type 3; null: not loaded
        QTest::newRow("a FIFO") << "fifo" << QByteArray() << QString();
        QTest::newRow("an endless device behind a link") << "zero" << QByteArray() << QString();
        QTest::newRow("a folder") << "folder" << QByteArray() << QString();
        // A valid file, padded after its end with blanks.
        const QByteArray xml = Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n");
        QTest::newRow("a file of 16 MiB") << "file" << xml.leftJustified(16 * 1024 * 1024) << "X";
        QTest::newRow("a file one byte over 16 MiB")
            << "file" << xml.leftJustified(16 * 1024 * 1024 + 1) << QString();
        QTest::newRow("a name of 1,500 \"=\"")
            << "file"
            << Saved(IdAndName, "<z:row ID='3' EnumName='" + QByteArray(1500, '=') + "'/>\n")
            << QString(1500, u'=');
        // Declarations that are none, each set enough to go over the bound.
        const QByteArray none = QByteArray(" xmlns:p='u'").repeated(29);
        QTest::newRow(
            "declarations in a comment, an instruction, CDATA and a value, after stray quotes")
            << "file"
            << Saved(IdAndName, "<!-- it's" + none + " --><?pi \"" + none + "?><![CDATA[ '" + none +
                                    "]]><z:row ID='3' EnumName='X' note=\"" + none + "\"/>\n")
            << "X";
        QTest::newRow("the slowest file within every bound") << "file" << Slowest() << "X";
    }
    void onlyARegularFileWithinTheLimit() {
        QFETCH(QString, what);
        QFETCH(QByteArray, xml);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath("DataTypeEnum.xml");
        std::optional<GuardedFifo> fifo;
        if (what == "fifo") {
            fifo.emplace(path);
            QVERIFY(fifo->isValid());
        } else if (what == "zero") {
            QVERIFY(QFile::link("/dev/zero", path));
        } else if (what == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(WriteFile(path, xml));
        }
        const Load load = LoadCapped(path);
        QVERIFY2(load.thrown.isEmpty(), qPrintable("the load threw: " + load.thrown));
        QVERIFY2(!fifo || !fifo->releasedReader(), "the load waited for a writer to the FIFO");
        QCOMPARE(bool(load.recordset), !name.isNull());
        if (load.recordset)
            QCOMPARE(NameOf(*load.recordset, 3), name);
    }

    // A file may declare many fields and give its records few or none of
    // them; what it takes to hold stays within a small multiple of its size.
    void recordsHoldOnlyTheirValues_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("records");
        QTest::newRow("100,000 records without values") << QByteArray("<z:row/>") << 100000;
        QTest::newRow("30,000 records of two values")
            << QByteArray("<z:row f7='x' f300='12'/>\n") << 30000;
    }
    void recordsHoldOnlyTheirValues() {
        QFETCH(QByteArray, record);
        QFETCH(int, records);
        QByteArray fields = IdAndName;
        for (int i = 0; i < 600; ++i)
            fields += QByteArray("<s:AttributeType name='f") + QByteArray::number(i) +
                      "' dt:type='" + (i % 2 ? "string" : "int") + "'/>\n";
        const QByteArray xml =
            Saved(fields, record.repeated(records) + "<z:row ID='3' EnumName='X' f598='7'/>\n");
        QTemporaryDir dir;
        const QString path = dir.filePath("names.xml");
        QVERIFY(WriteFile(path, xml));

        if (!ProcessMemory::resetPeak())
            QSKIP("the peak memory of the process cannot be reset here");
        const qint64 before = ProcessMemory::status("VmRSS");
        QVERIFY(before > 0);
        const Load load = LoadCapped(path);
        const qint64 growth = ProcessMemory::status("VmHWM") - before;
        QVERIFY2(load.thrown.isEmpty(), qPrintable("the load threw: " + load.thrown));
        QVERIFY(load.recordset);
        Recordset &names = *load.recordset;
        QVERIFY2(
            growth < 10 * xml.size(),
            qPrintable(
                QStringLiteral("%1 bytes at peak for a file of %2").arg(growth).arg(xml.size())));

        QCOMPARE(names.RecordCount(), records + 1);
        QCOMPARE(names.fields().size(), 602);
        QCOMPARE(NameOf(names, 3), QStringLiteral("X"));
        QCOMPARE(names.FieldValue("F598"), QVariant(qint64(7)));
        QVERIFY(!names.FieldValue("f7").isValid()); // absent from the record: null
        names.setFilter("f300=12");
        QCOMPARE(names.RecordCount(), record.contains("f300") ? records : 0);
        names.setFilter("f7='x'");
        QCOMPARE(names.RecordCount(), record.contains("f7") ? records : 0);
    }

    void notLoaded_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not xml") << QByteArray("ID,EnumName\n3,adInteger\n");
        QTest::newRow("cut short") << Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n").left(300);
        QTest::newRow("no schema")
            << Head + "<rs:data><z:row ID='3' EnumName='X'/></rs:data></xml>";
        QTest::newRow("no data") << Head +
                                        "<s:Schema id='RowsetSchema'><s:ElementType name='row'>" +
                                        IdAndName + "</s:ElementType></s:Schema></xml>";
        QTest::newRow("schema without fields") << Saved("", "");
        QTest::newRow("number that is none")
            << Saved(IdAndName, "<z:row ID='three' EnumName='X'/>\n");
        QTest::newRow("field twice in the schema") << Saved(
            IdAndName + "<s:AttributeType name='ID'/>\n", "<z:row ID='3' EnumName='X'/>\n");
        QTest::newRow("other namespaces")
            << QByteArray("<xml xmlns:s='urn:other' xmlns:rs='urn:other2' xmlns:z='#RowsetSchema'>"
                          "<s:Schema><s:ElementType name='row'><s:AttributeType "
                          "name='ID'/></s:ElementType></s:Schema>"
                          "<rs:data><z:row ID='3'/></rs:data></xml>");
        // Nothing beyond the file is ever read, and no entity is expanded.
        QTest::newRow("external entity")
            << "<?xml version='1.0'?>\n<!DOCTYPE xml [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>\n" +
                   Saved(IdAndName, "<z:row ID='3' EnumName='&e;'/>\n");
        // More than any data file has: the XML reader's own checks take a
        // time that grows with the square of these.
        QByteArray attributes;
        for (int i = 0; i < 2000; ++i)
            attributes += " a" + QByteArray::number(i) + "='\xc4\xbc'"; // U+013C, 3C 01 in UTF-16LE
        const QByteArray crowded =
            Saved(IdAndName, "<z:row ID='3' EnumName='X'" + attributes + "/>\n");
        QTest::newRow("a record of 2,000 attributes") << crowded;
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QTest::newRow("the same in UTF-16, every value holding the byte of \"<\"")
            << QByteArray(utf16(QString::fromUtf8(crowded)));
        // Head declares four namespaces, named in 127 characters.
        QTest::newRow("33 namespace declarations, one to an element")
            << Saved(IdAndName,
                     "<z:row ID='3' EnumName='X'/>" + QByteArray("<n xmlns:p='u'/>").repeated(29));
        QTest::newRow("namespaces named in 1,025 characters") << Saved(
            IdAndName, "<z:row ID='3' EnumName='X'/><n xmlns:p='" + QByteArray(898, 'u') + "'/>");
        QTest::newRow("elements nested 65 deep")
            << Saved(IdAndName, "<z:row ID='3' EnumName='X'/>" + QByteArray("<a>").repeated(63) +
                                    QByteArray("</a>").repeated(63));
        QTest::newRow("entity expansion")
            << "<?xml version='1.0'?>\n<!DOCTYPE xml [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b "
               "'&a;&a;&a;&a;&a;'>]>\n" +
                   Saved(IdAndName, "<z:row ID='3' EnumName='&b;'/>\n");
    }
    void notLoaded() {
        QFETCH(QByteArray, xml);
        QVERIFY(!ParseRecordsetXml(xml));
        QTemporaryDir dir;
        QFile file(dir.filePath("names.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(xml);
        file.close();
        QVERIFY(!LoadRecordsetXml(file.fileName()));
    }

    // Each load gives a recordset of its own, and a file that changed is
    // read anew.
    void loadsAreIndependent() {
        QTemporaryDir dir;
        const QString path = dir.filePath("names.xml");
        auto write = [&](const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };
        auto save = [&](const QByteArray &rows) { write(Saved(IdAndName, rows)); };
        save("<z:row ID='3' EnumName='X'/><z:row ID='4' EnumName='W'/>");
        const auto first = LoadRecordsetXml(path);
        const auto second = LoadRecordsetXml(path);
        QVERIFY(first && second);
        first->setFilter("ID=3");
        QCOMPARE(first->RecordCount(), 1);
        QCOMPARE(second->RecordCount(), 2);
        save("<z:row ID='3' EnumName='Z'/>");
        const auto changed = LoadRecordsetXml(path);
        QCOMPARE(NameOf(*changed, 3), QStringLiteral("Z"));
        write("not a recordset");
        QVERIFY(!LoadRecordsetXml(path));
        QFile::remove(path);
        QVERIFY(!LoadRecordsetXml(path));
    }

    void missingOrUnreadableFile() {
        QTemporaryDir dir;
        QVERIFY(!LoadRecordsetXml(dir.filePath("missing.xml")));
        QVERIFY(!LoadRecordsetXml(QString()));
    }

    void filterCriteria() {
        const auto names = ParseRecordsetXml(Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n"));
        QVERIFY(names);
        names->setFilter("EnumName='X'");
        QCOMPARE(names->RecordCount(), 1);
        names->setFilter("id = 3");
        QCOMPARE(names->RecordCount(), 1);
        for (const char *same : {"ID=3.0", "ID=3e0", "ID=+3", "ID=0.3e1"}) {
            names->setFilter(same);
            QVERIFY2(names->RecordCount() == 1, same);
        }
        QVERIFY_THROWS_EXCEPTION(Failure, names->setFilter("Nothing=3"));
        QVERIFY_THROWS_EXCEPTION(Failure, names->setFilter("ID>3"));
        names->setFilter("ID=4");
        QVERIFY_THROWS_EXCEPTION(Failure, names->FieldValue("EnumName"));
        names->setFilter("ID=3");
        QVERIFY_THROWS_EXCEPTION(Failure, names->FieldValue("Missing"));
    }

    // The file's names are hashed with the seed Qt draws for the process,
    // never with none (qHash(text) alone hashes with 0 in every process),
    // and each map keeps the seed it was made with: its names are still
    // found after the seed is drawn anew.
    void namesHashedWithTheProcessSeed() {
        if (QHashSeed::globalSeed() == 0)
            QSKIP("QT_HASH_SEED=0 asks for no seed");
        const TextHash hash;
        const QString name = QStringLiteral("EnumName");
        QVERIFY(hash(QStringView(name)) != qHash(QStringView(name), 0));
        QVERIFY(hash(QByteArrayView(name.toUtf8())) != qHash(QByteArrayView(name.toUtf8()), 0));
        const auto names = ParseRecordsetXml(Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n"));
        QVERIFY(names);
        const size_t before = hash(QStringView(name));
        QHashSeed::resetRandomGlobalSeed();
        QCOMPARE(hash(QStringView(name)), before);
        names->setFilter("ID=3");
        QCOMPARE(names->FieldValue(name).toString(), QStringLiteral("X"));
    }
};

QTEST_GUILESS_MAIN(TestRecordsetXml)
#include "tst_recordsetxml.moc"
