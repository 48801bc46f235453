#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// A date-time value as Access stores it: an OLE automation date, the number
// of days since 1899-12-30 00:00, with the time of day as the fraction. For
// days before that origin the fraction still counts forward from midnight
// (-1.25 is 1899-12-29 06:00), which is why this is not a plain offset.
class OleDateTime {
public:
    // The range an OLE automation date may hold: 100-01-01 to 9999-12-31.
    static constexpr double MinSerial = -657434.0;
    static constexpr double MaxSerial = 2958466.0; // exclusive

    constexpr OleDateTime() = default;
    constexpr explicit OleDateTime(double serial) : serial_(serial) {}

    static bool isValidSerial(double serial);
    static OleDateTime fromDateTime(QDate date, QTime time);

    constexpr double serial() const { return serial_; }
    bool isValid() const { return isValidSerial(serial_); }

    // The calendar date and the time of day, rounded to the nearest
    // millisecond or second (halves round up, as OLE automation does).
    QDate date(bool roundToSecond = true) const;
    QTime time(bool roundToSecond = true) const;

    // "yyyy/mm/dd hh:mm:ss", rounded to the nearest second.
    QString toText() const;

    friend constexpr bool operator==(OleDateTime a, OleDateTime b) {
        return a.serial_ == b.serial_;
    }

private:
    struct Split {
        qint64 day;         // days since 1899-12-30
        qint64 millisecond; // of that day, 0 .. 86399999
    };
    Split split(bool roundToSecond) const;

    double serial_ = 0.0;
};
