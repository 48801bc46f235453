#include "common/OleDateTime.h"

#include <cmath>

namespace {
constexpr qint64 MillisecondsPerDay = 86'400'000;
const QDate Origin(1899, 12, 30);
} // namespace

bool OleDateTime::isValidSerial(double serial) {
    return std::isfinite(serial) && serial >= MinSerial && serial < MaxSerial;
}

OleDateTime OleDateTime::fromDateTime(QDate date, QTime time) {
    const double day = static_cast<double>(Origin.daysTo(date));
    const double fraction = time.msecsSinceStartOfDay() / double(MillisecondsPerDay);
    // Before the origin the whole part counts back, the fraction forward.
    return OleDateTime(day < 0 ? day - fraction : day + fraction);
}

OleDateTime::Split OleDateTime::split(bool roundToSecond) const {
    const double whole = std::trunc(serial_);
    // Round to the millisecond first, so that a stored 07.5 s that the double
    // holds as 07.4999999 still rounds up to the next second.
    qint64 ms = std::llround(std::fabs(serial_ - whole) * MillisecondsPerDay);
    if (roundToSecond)
        ms = (ms + 500) / 1000 * 1000;
    qint64 day = static_cast<qint64>(whole);
    if (ms >= MillisecondsPerDay) {
        ms -= MillisecondsPerDay;
        day += 1;
    }
    return {day, ms};
}

QDate OleDateTime::date(bool roundToSecond) const {
    return Origin.addDays(split(roundToSecond).day);
}

QTime OleDateTime::time(bool roundToSecond) const {
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(split(roundToSecond).millisecond));
}

QString OleDateTime::toText() const {
    const Split s = split(true);
    const QDate d = Origin.addDays(s.day);
    const int seconds = static_cast<int>(s.millisecond / 1000);
    // Written digit by digit: the table list formats two of these per table.
    char16_t text[19];
    auto put = [&text](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            text[at + i] = char16_t(u'0' + value % 10);
    };
    put(0, d.year(), 4);
    text[4] = u'/';
    put(5, d.month(), 2);
    text[7] = u'/';
    put(8, d.day(), 2);
    text[10] = u' ';
    put(11, seconds / 3600, 2);
    text[13] = u':';
    put(14, seconds / 60 % 60, 2);
    text[16] = u':';
    put(17, seconds % 60, 2);
    return QString(reinterpret_cast<const QChar *>(text), 19);
}
