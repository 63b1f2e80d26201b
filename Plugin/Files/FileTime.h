// The local time of a moment as aRvik.FileInfo gives a file's last write:
// by the time-zone rules that held in the year of that moment, where the
// system knows them.
#pragma once

#include <windows.h>

#include <str.h>

// utc in the local time of zone: the zone's rules for the year of utc
// (GetTimeZoneInformationForYear, which reads the zone's "Dynamic DST"
// data), with the daylight saving they give for that date. Where the
// system has no rules of that year for the zone (an unknown key, no data),
// or the zone's automatic daylight saving is switched off, the current
// rules (SystemTimeToTzSpecificLocalTime of the current zone). False when
// neither converts.
bool ZoneLocalTime(const DYNAMIC_TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc, SYSTEMTIME& local);

// "YYYY-MM-DD HH:MM:SS" of time in the local time of the system's zone
// (GetDynamicTimeZoneInformation), by ZoneLocalTime; the empty text when
// the time cannot be converted.
string LocalTimeText(const FILETIME& time);
