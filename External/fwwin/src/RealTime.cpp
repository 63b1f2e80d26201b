#include <fwwin/RealTime.h>

#include <math.h>

RealTime::RealTime(const SYSTEMTIME& time) : value(0) {
    FILETIME ft;
    if (SystemTimeToFileTime(&time, &ft))
        value = static_cast<double>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

RealTime::operator SYSTEMTIME() const {
    SYSTEMTIME st = {};
    double units = value < 0 ? 0 : floor(value / Millisecond) * Millisecond;
    ULONGLONG count = static_cast<ULONGLONG>(units);
    FILETIME ft = {static_cast<DWORD>(count), static_cast<DWORD>(count >> 32)};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

RealTime Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return RealTime(st);
}

RealTime Date(const RealTime& time) { return RealTime(floor(time.value / RealTime::Day) * RealTime::Day); }

// Shifts time by the zone offset that the conversion gives for its date.
// The offset is measured on whole milliseconds, then applied to the full
// count, so no fraction of a millisecond is lost.
static RealTime Shift(const RealTime& time, BOOL(WINAPI* convert)(const TIME_ZONE_INFORMATION*,
                                                                     const SYSTEMTIME*, SYSTEMTIME*)) {
    if (!time) return time;
    SYSTEMTIME from = time, to;
    if (!convert(nullptr, &from, &to)) return time;
    return RealTime(time.value + (RealTime(to).value - RealTime(from).value));
}

RealTime UTC(const RealTime& local) { return Shift(local, TzSpecificLocalTimeToSystemTime); }

RealTime Local(const RealTime& utc) { return Shift(utc, SystemTimeToTzSpecificLocalTime); }
