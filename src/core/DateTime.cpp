#include "core/DateTime.h"

#include <cmath>

namespace DateTime {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;
std::function<QDateTime()> gClock;
} // namespace

double FromQDateTime(const QDateTime& dt)
{
    if (!dt.isValid()) return 0;
    // Local wall-clock time, as the original stores it.
    const QDateTime local = dt.toLocalTime();
    const qint64 days = kEpoch.daysTo(local.date());
    const double frac = double(local.time().msecsSinceStartOfDay()) / kMsPerDay;
    // Delphi's negative date-times count days backwards with a positive fraction.
    return days >= 0 ? days + frac : days - frac;
}

QDateTime ToQDateTime(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3e6) return {};
    const double whole = std::trunc(value);
    const qint64 ms = qRound64(std::fabs(value - whole) * kMsPerDay);
    return QDateTime(kEpoch.addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(qMin(ms, kMsPerDay - 1))));
}

double Now()
{
    return FromQDateTime(gClock ? gClock() : QDateTime::currentDateTime());
}

void SetClockForTesting(std::function<QDateTime()> clock)
{
    gClock = std::move(clock);
}

} // namespace DateTime
