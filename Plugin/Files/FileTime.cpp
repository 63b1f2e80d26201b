#include "Files/FileTime.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace {

// The rules of the years asked for lately, for one zone (by its key, all
// that the system reads them by): the system reads them from the registry
// (a quarter of a millisecond under Wine), and a folder's files share a
// few years. A year the system has no rules for is kept too, as such.
// Another zone starts afresh; new zone data of the system reaches the
// years kept with the next process.
class YearRules {
public:
    bool Get(const DYNAMIC_TIME_ZONE_INFORMATION& zone, USHORT year, TIME_ZONE_INFORMATION& rules) {
        AcquireSRWLockShared(&lock_);
        bool found = Find(zone, year, rules);
        ReleaseSRWLockShared(&lock_);
        if (found) return rules.Bias != kUnknown;
        DYNAMIC_TIME_ZONE_INFORMATION asked = zone;
        if (!GetTimeZoneInformationForYear(year, &asked, &rules)) rules.Bias = kUnknown;
        AcquireSRWLockExclusive(&lock_);
        Keep(zone, year, rules);
        ReleaseSRWLockExclusive(&lock_);
        return rules.Bias != kUnknown;
    }

private:
    // No zone is this far from UTC: the mark of a year without rules.
    static const LONG kUnknown = 0x7FFFFFFF;

    bool Find(const DYNAMIC_TIME_ZONE_INFORMATION& zone, USHORT year, TIME_ZONE_INFORMATION& rules) const {
        if (!Same(zone)) return false;
        for (size_t i = 0; i < count_; ++i)
            if (years_[i].year == year) {
                rules = years_[i].rules;
                return true;
            }
        return false;
    }
    bool Same(const DYNAMIC_TIME_ZONE_INFORMATION& zone) const {
        return wcsncmp(zone.TimeZoneKeyName, key_, kKey) == 0;
    }
    void Keep(const DYNAMIC_TIME_ZONE_INFORMATION& zone, USHORT year, const TIME_ZONE_INFORMATION& rules) {
        if (!Same(zone)) {
            memcpy(key_, zone.TimeZoneKeyName, sizeof key_);
            count_ = next_ = 0;
        }
        years_[next_] = Year{year, rules};
        next_ = (next_ + 1) % kYears;
        if (count_ < kYears) ++count_;
    }

    static const size_t kYears = 8, kKey = sizeof(DYNAMIC_TIME_ZONE_INFORMATION::TimeZoneKeyName) / sizeof(WCHAR);
    struct Year {
        USHORT year;
        TIME_ZONE_INFORMATION rules;
    };
    SRWLOCK lock_ = SRWLOCK_INIT;
    WCHAR key_[kKey] = {};
    Year years_[kYears] = {};
    size_t count_ = 0, next_ = 0;
};

YearRules yearRules;

}  // namespace

// SystemTimeToTzSpecificLocalTimeEx would take the dynamic zone itself, but
// Wine lacks it (calling it ends the process): the year's rules are asked
// for, then converted with.
bool ZoneLocalTime(const DYNAMIC_TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc, SYSTEMTIME& local) {
    TIME_ZONE_INFORMATION rules;
    if (!zone.DynamicDaylightTimeDisabled && yearRules.Get(zone, utc.wYear, rules) &&
        SystemTimeToTzSpecificLocalTime(&rules, &utc, &local))
        return true;
    return SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) != FALSE;
}

string LocalTimeText(const FILETIME& time) {
    SYSTEMTIME utc, local;
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    if (!FileTimeToSystemTime(&time, &utc)) return string("");
    bool converted = GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID
                         ? ZoneLocalTime(zone, utc, local)
                         : SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) != FALSE;
    if (!converted) return string("");
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
             local.wMinute, local.wSecond);
    return string(text);
}
