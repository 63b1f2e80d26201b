#include "Log/Collector.h"

#include "Log/Utf8Text.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

void AppendAscii(Buffer<char>& out, const char* text) { out.Append(text, strlen(text)); }

bool Control(unsigned c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// HOSTNAME: the name in UTF-8 with blanks and control characters as "?",
// "-" when there is none.
void AppendHostName(Buffer<char>& out, const wchar_t* name) {
    size_t length = Length(name);
    if (!length) return AppendAscii(out, "-");
    for (size_t i = 0, units = 0; i < length; i += units) {
        unsigned c = CodePoint(name, length, i, units);
        AppendUtf8(out, c == ' ' || Control(c) ? '?' : c);
    }
}

// A PARAM-VALUE: '"', '\' and ']' after a backslash, control characters
// as "?", the rest in UTF-8.
void AppendParamValue(Buffer<char>& out, const wchar_t* value) {
    size_t length = Length(value);
    for (size_t i = 0, units = 0; i < length; i += units) {
        unsigned c = CodePoint(value, length, i, units);
        if (c == '"' || c == '\\' || c == ']') out.Append("\\", 1);
        AppendUtf8(out, Control(c) ? '?' : c);
    }
}

void AppendParamValue(Buffer<char>& out, const char* value) {
    for (const char* c = value ? value : ""; *c; ++c) {
        if (*c == '"' || *c == '\\' || *c == ']') out.Append("\\", 1);
        out.Append(Control(static_cast<unsigned char>(*c)) || *c < 0 ? "?" : c, 1);
    }
}

}  // namespace

string CollectorMessage(const LogEntry& entry) {
    Buffer<char> out;
    const SYSTEMTIME& t = entry.time;
    long offset = entry.utcOffsetMinutes < 0 ? -entry.utcOffsetMinutes : entry.utcOffsetMinutes;
    char text[96];
    snprintf(text, sizeof text, "<14>1 %04u-%02u-%02uT%02u:%02u:%02u.%03u%c%02lu:%02lu ", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, entry.utcOffsetMinutes < 0 ? '-' : '+',
             static_cast<unsigned long>(offset / 60 % 100), static_cast<unsigned long>(offset % 60));
    AppendAscii(out, text);
    AppendHostName(out, entry.computer);
    snprintf(text, sizeof text, " aRvik %lu script [aRvik@32473 user=\"", static_cast<unsigned long>(entry.pid));
    AppendAscii(out, text);
    AppendParamValue(out, entry.user.c_str());
    AppendAscii(out, "\" spool=\"");
    AppendParamValue(out, entry.spoolId.c_str());
    AppendAscii(out, "\" seq=\"");
    _ui64toa(entry.sequence, text, 10);
    AppendAscii(out, text);
    AppendAscii(out, "\"] \xEF\xBB\xBF");
    Buffer<wchar_t> cut;
    size_t used = out.Size();
    LimitUtf8Text(cut, entry.text.c_str(), entry.text.length(), entry.limit,
                  used < MAX_COLLECTOR_MESSAGE ? MAX_COLLECTOR_MESSAGE - used : 0);
    AppendUtf8Text(out, cut.Data(), cut.Size());
    return string(out.Data(), out.Size());
}
