// A point in time, or a span, as one double: a count of 100-nanosecond
// units since 1601-01-01 (the FILETIME scale). The count 0 is the empty
// time, which converts to false. Whether a value is local or UTC is the
// caller's knowledge: Now gives local time; UTC and Local convert.
#pragma once

#include <windows.h>

class RealTime {
public:
    RealTime() : value(0) {}
    // Stores the count unchanged.
    RealTime(double count) : value(count) {}
    explicit RealTime(const SYSTEMTIME& time);

    explicit operator bool() const { return value != 0; }
    // Truncated to the millisecond.
    operator SYSTEMTIME() const;

    RealTime operator+(const RealTime& other) const { return RealTime(value + other.value); }
    RealTime operator-(const RealTime& other) const { return RealTime(value - other.value); }

    double value;

    // Units per millisecond, second and day.
    static constexpr double Millisecond = 10000.0;
    static constexpr double Second = 1000 * Millisecond;
    static constexpr double Day = 86400 * Second;
};

// The current local time.
RealTime Now();
// The start of the day of time.
RealTime Date(const RealTime& time);
// Local time to UTC, by the time zone rules in force at that date.
RealTime UTC(const RealTime& local);
// UTC to local time, by the time zone rules in force at that date.
RealTime Local(const RealTime& utc);
