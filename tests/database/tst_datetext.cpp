#include "common/OleDateTime.h"

#include <QTest>

class TestDateText : public QObject {
    Q_OBJECT

private slots:
    void text_data() {
        QTest::addColumn<double>("serial");
        QTest::addColumn<QString>("expected");
        // Whole days and the origin.
        QTest::newRow("origin midnight") << 0.0 << "1899/12/30 00:00:00";
        QTest::newRow("midnight") << 36526.0 << "2000/01/01 00:00:00";
        QTest::newRow("leap day") << 36585.5 << "2000/02/29 12:00:00";
        QTest::newRow("four-digit year padded") << -630000.0 << "0175/02/11 00:00:00";
        // Halves round up, anything below rounds down.
        QTest::newRow("half second up") << 36526.0 + 7.5 / 86400 << "2000/01/01 00:00:08";
        QTest::newRow("just below half down") << 36526.0 + 7.499 / 86400 << "2000/01/01 00:00:07";
        QTest::newRow("stored .787 up")
            << 39531.0 + (12 * 3600 + 42 * 60 + 7.787) / 86400 << "2008/03/24 12:42:08";
        QTest::newRow("stored .420 down")
            << 34955.0 + (10 * 3600 + 51 * 60 + 34.42) / 86400 << "1995/09/13 10:51:34";
        QTest::newRow("up into the next day") << 36526.0 + 86399.6 / 86400 << "2000/01/02 00:00:00";
        // Before the origin the fraction still counts forward from midnight.
        QTest::newRow("negative with time") << -1.25 << "1899/12/29 06:00:00";
        QTest::newRow("negative midnight") << -1.0 << "1899/12/29 00:00:00";
        QTest::newRow("negative fraction only") << -0.5 << "1899/12/30 12:00:00";
        QTest::newRow("negative rounds up across midnight")
            << -1.0 - 86399.7 / 86400 << "1899/12/30 00:00:00";
        QTest::newRow("negative half second") << -2.0 - 30.5 / 86400 << "1899/12/28 00:00:31";
    }
    void text() {
        QFETCH(double, serial);
        QFETCH(QString, expected);
        QCOMPARE(OleDateTime(serial).toText(), expected);
    }

    void fromDateTimeRoundTrips_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::newRow("modern") << QDate(2024, 5, 2) << QTime(18, 0, 5);
        QTest::newRow("with milliseconds") << QDate(2011, 6, 12) << QTime(22, 12, 41, 822);
        QTest::newRow("before origin") << QDate(1899, 12, 29) << QTime(6, 0);
        QTest::newRow("long before origin") << QDate(1850, 1, 1) << QTime(23, 59, 59);
    }
    void fromDateTimeRoundTrips() {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        const OleDateTime value = OleDateTime::fromDateTime(date, time);
        QCOMPARE(value.date(false), date);
        QCOMPARE(value.time(false), time);
    }

    void validity_data() {
        QTest::addColumn<double>("serial");
        QTest::addColumn<bool>("valid");
        QTest::newRow("zero") << 0.0 << true;
        QTest::newRow("year 100") << OleDateTime::MinSerial << true;
        QTest::newRow("before year 100") << OleDateTime::MinSerial - 1 << false;
        QTest::newRow("end of 9999") << OleDateTime::MaxSerial - 0.00001 << true;
        QTest::newRow("year 10000") << OleDateTime::MaxSerial << false;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << false;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false;
    }
    void validity() {
        QFETCH(double, serial);
        QFETCH(bool, valid);
        QCOMPARE(OleDateTime::isValidSerial(serial), valid);
    }
};

QTEST_GUILESS_MAIN(TestDateText)
#include "tst_datetext.moc"
