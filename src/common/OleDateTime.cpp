#include "OleDateTime.h"

#include <cmath>

namespace {
constexpr qint64 MillisecondsPerDay = 86'400'000;
const QDate Origin(1899, 12, 30);
} // namespace

bool OleDateTime::isValidSerial(double serial)
{
    return std::isfinite(serial) && serial >= MinSerial && serial < MaxSerial;
}

OleDateTime OleDateTime::fromDateTime(QDate date, QTime time)
{
    const double day = static_cast<double>(Origin.daysTo(date));
    const double fraction = time.msecsSinceStartOfDay() / double(MillisecondsPerDay);
    // Before the origin the whole part counts back, the fraction forward.
    return OleDateTime(day < 0 ? day - fraction : day + fraction);
}

OleDateTime::Split OleDateTime::split(bool roundToSecond) const
{
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

QDate OleDateTime::date(bool roundToSecond) const
{
    return Origin.addDays(split(roundToSecond).day);
}

QTime OleDateTime::time(bool roundToSecond) const
{
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(split(roundToSecond).millisecond));
}

QString OleDateTime::toText() const
{
    const Split s = split(true);
    const QDate d = Origin.addDays(s.day);
    const qint64 seconds = s.millisecond / 1000;
    return QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d", d.year(), d.month(), d.day(),
                             int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
}
