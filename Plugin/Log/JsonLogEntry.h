// The script log's entries in JSON (LogFormat::Json): one object a line,
// UTF-8 without a byte-order mark, its fields always in this order:
//   {"time":"2026-12-09T14:03:07.123+03:00","computer":"PC","user":"ivanov","pid":4242,"text":"..."}
// time is the local time with milliseconds and its offset from UTC;
// computer the NetBIOS name, user the name of the thread's user, pid the
// process's id. Texts are escaped as RFC 8259 asks: quote, backslash,
// \n, \r, \t, every other control character as \u00XX; everything else is
// its UTF-8 bytes (an unpaired surrogate becomes U+FFFD).
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <str.h>

#include "Log/LogEntry.h"

// The whole entry without its line end. text (length UTF-16 units) is cut
// as LimitLogText cuts (ScriptLog.h), before it is escaped, with its bytes
// counted in UTF-8 and never a character split: one of limit bytes or more
// becomes "[N байт]\r\n", the whole characters of its first limit bytes
// and "\r\n...".
string JsonLogEntry(const wchar_t* text, size_t length, DWORD limit);
// The same of an entry as LogWrite made it, with its own time and names.
string JsonLogEntry(const LogEntry& entry);

// The local time now and its offset from UTC in minutes, from one reading
// of the clock.
void LocalNow(SYSTEMTIME& local, LONG& utcOffsetMinutes);

// The UTF-8 bytes of length units of text, escaped for a JSON string
// (without the quotes), appended to out.
void AppendJsonText(Buffer<char>& out, const wchar_t* text, size_t length);
