#pragma once

#include <QDateTime>
#include <functional>

// Date-times are stored the Delphi way: days since 1899-12-30 as a double,
// the fraction being the time of day. All conversions go through here.
namespace DateTime {

double FromQDateTime(const QDateTime& dt);
QDateTime ToQDateTime(double value);

// The current local time as a date-time value. Tests may fix the clock.
double Now();
void SetClockForTesting(std::function<QDateTime()> clock); // empty restores the real clock

} // namespace DateTime
