#include "TypeName.h"
#include "common/Failure.h"
#include "mdlXmlConv.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mdlXmlConv;

namespace {

const QByteArray Head =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
    "     xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n";

const QByteArray IdAndName =
    "<s:AttributeType name='ID' rs:number='1'><s:datatype dt:type='int' dt:maxLength='4'/></s:AttributeType>\n"
    "<s:AttributeType name='EnumName' rs:number='2' rs:nullable='true'><s:datatype dt:type='string'/></s:AttributeType>\n";

// A persisted recordset with the given attribute types and rows.
QByteArray Saved(const QByteArray &attributes, const QByteArray &rows)
{
    return Head + "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>\n" + attributes +
           "<s:extends type='rs:rowbase'/></s:ElementType></s:Schema>\n<rs:data>\n" + rows + "</rs:data>\n</xml>\n";
}

QString NameOf(Recordset &names, int code)
{
    const QVariant v = TypeName(names, code);
    return v.isValid() ? v.toString() : QStringLiteral("<null>");
}

} // namespace

class TestRecordsetXml : public QObject {
    Q_OBJECT

private slots:
    // The file the program ships names every ADO type code by its constant.
    void shippedFile()
    {
        const auto names = LoadRecordsetXml(QCoreApplication::applicationDirPath() + "/DataTypeEnum.xml");
        QVERIFY(names);
        const QList<int> codes = {0,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,
                                  16,  17,  18,  19,  20,  21,  64,  72,  128, 129, 130, 131, 132, 133,
                                  134, 135, 136, 138, 139, 200, 201, 202, 203, 204, 205, 8192};
        QCOMPARE(names->RecordCount(), codes.size());
        for (int code : codes) {
            const QString name = NameOf(*names, code);
            QVERIFY2(name.startsWith("ad"), qPrintable(QStringLiteral("%1: %2").arg(code).arg(name)));
            QCOMPARE(names->RecordCount(), 1);
        }
        const QMap<int, QString> known = {{202, "adVarWChar"}, {3, "adInteger"},  {2, "adSmallInt"},
                                          {11, "adBoolean"},   {7, "adDate"},     {203, "adLongVarWChar"},
                                          {205, "adLongVarBinary"}, {72, "adGUID"}, {17, "adUnsignedTinyInt"},
                                          {131, "adNumeric"},  {8192, "adArray"}, {0, "adEmpty"}};
        for (auto it = known.begin(); it != known.end(); ++it)
            QCOMPARE(NameOf(*names, it.key()), it.value());
        QCOMPARE(NameOf(*names, 1), QStringLiteral("#Error#"));
    }

    void lookups()
    {
        const auto names = ParseRecordsetXml(Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n"
                                                              "<z:row ID='202' EnumName='adVarWChar'/>\n"
                                                              "<z:row ID='3' EnumName='Y'/>\n"
                                                              "<z:row ID='7' EnumName=''/>\n"
                                                              "<z:row ID='8'/>\n"));
        QVERIFY(names);
        QCOMPARE(NameOf(*names, 3), QStringLiteral("X")); // the first in file order
        QCOMPARE(names->RecordCount(), 2);
        QCOMPARE(NameOf(*names, 11), QStringLiteral("#Error#"));
        QCOMPARE(NameOf(*names, 202), QStringLiteral("adVarWChar")); // each filter replaces the last
        QCOMPARE(NameOf(*names, 7), QString(""));
        QCOMPARE(NameOf(*names, 8), QStringLiteral("<null>"));
        names->setFilter(QString());
        QCOMPARE(names->RecordCount(), 5);
    }

    void emptyRecordsetNamesNothing()
    {
        const auto names = ParseRecordsetXml(Saved(IdAndName, ""));
        QVERIFY(names);
        for (int code : {0, 3, 202})
            QCOMPARE(NameOf(*names, code), QStringLiteral("#Error#"));
    }

    void fieldsByNameInAnyOrder()
    {
        // Extra fields are ignored; a field whose name is no XML name is
        // stored under another attribute name, with rs:name its own.
        const QByteArray attributes =
            "<s:AttributeType name='Note' dt:type='string'/>\n"
            "<s:AttributeType name='c1' rs:name='EnumName'><s:datatype dt:type='string'/></s:AttributeType>\n"
            "<s:AttributeType name='ID'><s:datatype dt:type='i2'/></s:AttributeType>\n";
        const auto names = ParseRecordsetXml(Saved(attributes, "<z:row Note='n' c1='adInteger' ID='3'/>\n"));
        QVERIFY(names);
        QCOMPARE(names->fields(), (QStringList{"Note", "EnumName", "ID"}));
        QCOMPARE(NameOf(*names, 3), QStringLiteral("adInteger"));
    }

    void rowsAddedBeforeSavingCount()
    {
        const auto names = ParseRecordsetXml(Saved(IdAndName, "<z:row ID='1' EnumName='a'/>\n"
                                                              "<rs:insert><z:row ID='2' EnumName='b'/></rs:insert>\n"));
        QVERIFY(names);
        QCOMPARE(NameOf(*names, 2), QStringLiteral("b"));
    }

    void notLoaded_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not xml") << QByteArray("ID,EnumName\n3,adInteger\n");
        QTest::newRow("cut short") << Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n").left(300);
        QTest::newRow("no schema") << Head + "<rs:data><z:row ID='3' EnumName='X'/></rs:data></xml>";
        QTest::newRow("no data") << Head + "<s:Schema id='RowsetSchema'><s:ElementType name='row'>" + IdAndName +
                                        "</s:ElementType></s:Schema></xml>";
        QTest::newRow("schema without fields") << Saved("", "");
        QTest::newRow("number that is none") << Saved(IdAndName, "<z:row ID='three' EnumName='X'/>\n");
        QTest::newRow("field twice in the schema")
            << Saved(IdAndName + "<s:AttributeType name='ID'/>\n", "<z:row ID='3' EnumName='X'/>\n");
        QTest::newRow("other namespaces")
            << QByteArray("<xml xmlns:s='urn:other' xmlns:rs='urn:other2' xmlns:z='#RowsetSchema'>"
                          "<s:Schema><s:ElementType name='row'><s:AttributeType name='ID'/></s:ElementType></s:Schema>"
                          "<rs:data><z:row ID='3'/></rs:data></xml>");
        // Nothing beyond the file is ever read, and no entity is expanded.
        QTest::newRow("external entity")
            << "<?xml version='1.0'?>\n<!DOCTYPE xml [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>\n" +
                   Saved(IdAndName, "<z:row ID='3' EnumName='&e;'/>\n");
        QTest::newRow("entity expansion")
            << "<?xml version='1.0'?>\n<!DOCTYPE xml [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;'>]>\n" +
                   Saved(IdAndName, "<z:row ID='3' EnumName='&b;'/>\n");
    }
    void notLoaded()
    {
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
    void loadsAreIndependent()
    {
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

    void missingOrUnreadableFile()
    {
        QTemporaryDir dir;
        QVERIFY(!LoadRecordsetXml(dir.filePath("missing.xml")));
        QVERIFY(!LoadRecordsetXml(dir.path()));
        QVERIFY(!LoadRecordsetXml(QString()));
    }

    void filterCriteria()
    {
        const auto names = ParseRecordsetXml(Saved(IdAndName, "<z:row ID='3' EnumName='X'/>\n"));
        QVERIFY(names);
        names->setFilter("EnumName='X'");
        QCOMPARE(names->RecordCount(), 1);
        names->setFilter("id = 3");
        QCOMPARE(names->RecordCount(), 1);
        QVERIFY_THROWS_EXCEPTION(Failure, names->setFilter("Nothing=3"));
        QVERIFY_THROWS_EXCEPTION(Failure, names->setFilter("ID>3"));
        names->setFilter("ID=4");
        QVERIFY_THROWS_EXCEPTION(Failure, names->FieldValue("EnumName"));
        names->setFilter("ID=3");
        QVERIFY_THROWS_EXCEPTION(Failure, names->FieldValue("Missing"));
    }
};

QTEST_GUILESS_MAIN(TestRecordsetXml)
#include "tst_recordsetxml.moc"
