#include "Log/JsonLogEntry.h"

#include "Log/Utf8Text.h"

#include <lmcons.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace {

void AppendAscii(Buffer<char>& out, const char* text) { out.Append(text, strlen(text)); }

void AppendField(Buffer<char>& out, const char* name, const wchar_t* value) {
    AppendAscii(out, ",\"");
    AppendAscii(out, name);
    AppendAscii(out, "\":\"");
    AppendJsonText(out, value, wcslen(value));
    AppendAscii(out, "\"");
}

// "YYYY-MM-DDTHH:MM:SS.mmm+HH:MM".
void AppendTime(Buffer<char>& out, const SYSTEMTIME& local, long long minutes) {
    long long shown = minutes < 0 ? -minutes : minutes;
    char stamp[48];
    snprintf(stamp, sizeof stamp, "%04u-%02u-%02uT%02u:%02u:%02u.%03u%c%02u:%02u", local.wYear, local.wMonth,
             local.wDay, local.wHour, local.wMinute, local.wSecond, local.wMilliseconds, minutes < 0 ? '-' : '+',
             static_cast<unsigned>(shown / 60), static_cast<unsigned>(shown % 60));
    AppendAscii(out, stamp);
}

// The entry after its time: the names, the pid and the text, cut.
string JsonEntry(Buffer<char>& out, const wchar_t* computer, const wchar_t* user, DWORD pid, const wchar_t* text,
                 size_t length, DWORD limit) {
    AppendAscii(out, "\"");
    AppendField(out, "computer", computer);
    AppendField(out, "user", user);
    // Room for the largest id a DWORD holds, so the field is never cut.
    char digits[48];
    snprintf(digits, sizeof digits, ",\"pid\":%lu,\"text\":\"", static_cast<unsigned long>(pid));
    AppendAscii(out, digits);
    Buffer<wchar_t> cut;
    LimitUtf8Text(cut, text, length, limit);
    AppendJsonText(out, cut.Data(), cut.Size());
    AppendAscii(out, "\"}");
    return string(out.Data(), out.Size());
}

}  // namespace

void AppendJsonText(Buffer<char>& out, const wchar_t* text, size_t length) {
    for (size_t i = 0, units = 0; i < length; i += units) {
        unsigned c = CodePoint(text, length, i, units);
        switch (c) {
        case '"': AppendAscii(out, "\\\""); break;
        case '\\': AppendAscii(out, "\\\\"); break;
        case '\n': AppendAscii(out, "\\n"); break;
        case '\r': AppendAscii(out, "\\r"); break;
        case '\t': AppendAscii(out, "\\t"); break;
        default:
            if (c < 0x20) {
                char escaped[8];
                snprintf(escaped, sizeof escaped, "\\u%04x", c);
                AppendAscii(out, escaped);
            } else {
                AppendUtf8(out, c);
            }
        }
    }
}

void LocalNow(SYSTEMTIME& local, LONG& utcOffsetMinutes) {
    // The local time and its offset come from one reading of the clock, so
    // they always agree; should the system not convert it, the time is
    // given in UTC (+00:00), still the true time.
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    FILETIME utcFile, localFile;
    utcOffsetMinutes = 0;
    if (SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) && SystemTimeToFileTime(&utc, &utcFile) &&
        SystemTimeToFileTime(&local, &localFile)) {
        ULARGE_INTEGER u, l;
        u.LowPart = utcFile.dwLowDateTime;
        u.HighPart = utcFile.dwHighDateTime;
        l.LowPart = localFile.dwLowDateTime;
        l.HighPart = localFile.dwHighDateTime;
        utcOffsetMinutes =
            static_cast<LONG>((static_cast<long long>(l.QuadPart) - static_cast<long long>(u.QuadPart)) / 600000000LL);
    } else {
        local = utc;
    }
}

string JsonLogEntry(const wchar_t* text, size_t length, DWORD limit) {
    Buffer<char> out;
    AppendAscii(out, "{\"time\":\"");
    SYSTEMTIME local;
    LONG minutes = 0;
    LocalNow(local, minutes);
    AppendTime(out, local, minutes);
    // A name the system cannot give is left empty: the entry is not lost for it.
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(computer, &size)) computer[0] = 0;
    wchar_t user[UNLEN + 1] = L"";
    size = UNLEN + 1;
    if (!GetUserNameW(user, &size)) user[0] = 0;
    return JsonEntry(out, computer, user, GetCurrentProcessId(), text, length, limit);
}

string JsonLogEntry(const LogEntry& entry) {
    Buffer<char> out;
    AppendAscii(out, "{\"time\":\"");
    AppendTime(out, entry.time, entry.utcOffsetMinutes);
    return JsonEntry(out, entry.computer.c_str() ? entry.computer.c_str() : L"",
                     entry.user.c_str() ? entry.user.c_str() : L"", entry.pid, entry.text.c_str() ? entry.text.c_str() : L"",
                     entry.text.length(), entry.limit);
}
