#include "ScriptLog.h"

#include <string.h>

#include <fwbase/Format.h>
#include <fwwin/RealTime.h>
#include <fwwin/RegKey.h>

// Digits only, within 32 bits; false for anything else.
static bool PlainNumber(const char* text, DWORD& number) {
    if (!*text) return false;
    unsigned long long value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<unsigned>(*c - '0');
        if (value > 0xFFFFFFFFull) return false;
    }
    number = static_cast<DWORD>(value);
    return true;
}

DWORD MaxLogText(HKEY pluginKey) {
    const DWORD fallback = 0x8000;
    RegKey settings(pluginKey);
    if (!settings.key) return fallback;
    RegKey::Value limit = settings["Max LogText"];
    // A value of another type would read as 0 and cut every text away.
    switch (limit.Type()) {
    case REG_DWORD:
        return limit.Number();
    case REG_SZ: {
        DWORD number = fallback;
        return PlainNumber(limit.Text(), number) ? number : fallback;
    }
    default:
        return fallback;
    }
}

namespace {
// Holds a critical section for one scope, exceptions included.
class SectionHold {
public:
    explicit SectionHold(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
    ~SectionHold() { LeaveCriticalSection(section_); }
    SectionHold(const SectionHold&) = delete;
    SectionHold& operator=(const SectionHold&) = delete;

private:
    CRITICAL_SECTION* section_;
};
}  // namespace

void SetScriptLogPath(Jotter& log, const char* pattern) {
    SectionHold hold(log.Section());
    string path(pattern);
    const char* star = strchr(path, '*');
    if (star) {
        SYSTEMTIME day = Date(Now());
        path = string(path.c_str(), static_cast<size_t>(star - path.c_str())) +
               FormatBuffer(32, "(%04u-%02u-%02u)", day.wYear, day.wMonth, day.wDay).c_str() + (star + 1);
    }
    log.SetLogPath(path);
}

string LimitLogText(const string& text, DWORD limit) {
    size_t length = text.length();
    if (length == 0) return string("");
    if (length < limit) return text;
    return FormatBuffer(256, "[%u байт]\r\n", static_cast<unsigned>(length)) +
           string(text.c_str(), limit).c_str() + "\r\n...";
}
