// LogEntry: one entry of the script log as LogWrite made it, with all that
// a destination other than the text file needs, fixed when it was written
// and kept in the spool (LogSpool.h) until every destination took it.
//
// spoolId and sequence name the entry for good: the spool that took it in
// and its place there (1, 2, ...). A collector that drops what it has
// already seen by this pair gets every entry exactly once, however often a
// broken connection made it send one again.
#pragma once

#include <windows.h>

#include <str.h>

struct LogEntry {
    SYSTEMTIME time = {};             // local time of the LogWrite
    LONG utcOffsetMinutes = 0;        // local time minus UTC (+180 in Moscow)
    basic_text<wchar_t> computer;     // NetBIOS name
    basic_text<wchar_t> user;         // the name of the thread's user
    DWORD pid = 0;                    // the writing process
    basic_text<wchar_t> text;         // aRvik.LogText whole, not cut
    DWORD limit = 0x8000;             // "Max LogText" when it was written
    string spoolId;                   // 32 lower-case hex digits
    unsigned long long sequence = 0;  // 1 for a spool's first entry
};
