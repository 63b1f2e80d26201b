// Old script logs: the files of a dated log pattern whose day is past
// keeping.
//
// A pattern ("Script LogPath") dates its files by its first "*", which the
// log writes as "(YYYY-MM-DD)". Only a file of the pattern's folder whose
// name is the pattern's last part with a real date in place of that "*" is
// ever removed: the text before and after the "*" as the pattern has it
// (case ignored, ordinally, as the file system ignores it), and a date of
// four, two and two digits that names a day of the calendar (month 1-12,
// the month's days, 29 February in leap years only, year 0001 on). Folders,
// other names and the files of subfolders are left alone. A pattern without
// "*", one whose first "*" lies in a folder's name, and one with a second
// "*" (which stays in the log's name, so no real file can bear it) remove
// nothing. The pattern is taken as the system takes the log's name: its
// trailing dots and blanks dropped ("DebugLog *.txt." names the files
// "DebugLog (YYYY-MM-DD).txt"), "." and ".." resolved, a relative one
// from the current folder.
//
// With keepDays kept on today, a file goes when its date is keepDays or
// more days before today: 7 days kept on 2026-12-08 remove 2026-12-01 and
// earlier, and keep 2026-12-02 to 2026-12-08 (and later dates). 0 keeps
// every file.
#pragma once

#include <windows.h>

// Removes the old files of pattern in one listing of its folder. A file
// that cannot be removed (read-only, held open by another) stays; a folder
// that cannot be listed is no failure. Nothing is thrown for files.
void RemoveOldLogs(const char* pattern, DWORD keepDays, const SYSTEMTIME& today);
