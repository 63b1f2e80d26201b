#include "Log/OldLogs.h"

#include <string.h>
#include <wchar.h>

#include <TextCodec.h>
#include <owned.h>
#include <str.h>

#include "Files/FileSystem.h"

namespace {

const size_t kDateLength = 12;  // "(YYYY-MM-DD)"

// The day's number in the Gregorian calendar, counted on beyond its start;
// only differences count. The year is taken to begin in March, so that
// the leap day ends it.
long long DayNumber(unsigned year, unsigned month, unsigned day) {
    long long y = year - (month <= 2 ? 1 : 0);
    long long m = month <= 2 ? month + 9 : month - 3;
    return y * 365 + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
}

bool Digits(const wchar_t* text, int count, unsigned& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        value = value * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    return true;
}

// The day that kDateLength characters at text name, when they are a date
// of the calendar as the log writes it.
bool LogDate(const wchar_t* text, long long& day) {
    unsigned year, month, date;
    if (text[0] != L'(' || text[5] != L'-' || text[8] != L'-' || text[11] != L')') return false;
    if (!Digits(text + 1, 4, year) || !Digits(text + 6, 2, month) || !Digits(text + 9, 2, date)) return false;
    static const unsigned char days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year == 0 || month < 1 || month > 12 || date < 1 ||
        date > days[month - 1] + (month == 2 && leap ? 1u : 0u))
        return false;
    day = DayNumber(year, month, date);
    return true;
}

// length characters alike, case ignored as the file system ignores it.
bool SameName(const wchar_t* a, const wchar_t* b, size_t length) {
    return length == 0 ||
           CompareStringOrdinal(a, static_cast<int>(length), b, static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

}  // namespace

void RemoveOldLogs(const char* pattern, DWORD keepDays, const SYSTEMTIME& today) {
    if (!keepDays || !NotEmpty(pattern)) return;
    // The name the system gives the log's files: a trailing dot or blank
    // of the last part is dropped, "." and ".." resolved. The names as the
    // file calls of the log see them.
    string full = FullPath(pattern);
    CoString wide;
    TAXDK::Standard::CodePageText(AreFileApisANSI() ? CP_ACP : CP_OEMCP, full.c_str(), full.length(), wide);
    const wchar_t* whole = wide.get();
    const wchar_t* star = wcschr(whole, L'*');
    if (!star) return;
    const wchar_t* name = whole;  // the last part
    for (const wchar_t* c = whole; *c; ++c)
        if (*c == L'\\' || *c == L'/' || *c == L':') name = c + 1;
    const wchar_t* suffix = star + 1;
    if (star < name || wcschr(suffix, L'*')) return;
    const size_t prefixLength = static_cast<size_t>(star - name), suffixLength = wcslen(suffix);

    widestring folder(whole, static_cast<size_t>(name - whole));
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                                    FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    const long long last = DayNumber(today.wYear, today.wMonth, today.wDay) - keepDays;  // and earlier go
    do {
        const wchar_t* file = found.cFileName;
        long long day = 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            wcslen(file) != prefixLength + kDateLength + suffixLength || !SameName(file, name, prefixLength) ||
            !SameName(file + prefixLength + kDateLength, suffix, suffixLength) ||
            !LogDate(file + prefixLength, day) || day > last)
            continue;
        DeleteFileW((folder + file).c_str());  // one that cannot go stays
    } while (FindNextFileW(search.get(), &found));
}
