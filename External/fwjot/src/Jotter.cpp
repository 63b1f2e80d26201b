#include <fwjot/Jotter.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

Jotter::Jotter(Writer* writer) : writer_(writer), options_(0) { InitializeCriticalSection(&section_); }

Jotter::~Jotter() {
    writer_.reset();
    DeleteCriticalSection(&section_);
}

namespace {
// Holds a critical section while it lives.
class Held {
public:
    explicit Held(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
    ~Held() { LeaveCriticalSection(section_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    CRITICAL_SECTION* section_;
};
}  // namespace

void Jotter::SetLogPath(const char* path) {
    Held hold(&section_);
    if (writer_) writer_->SetPath(path);
}

// The text that format and args make; "%s" alone is its argument as it is.
static void FormatText(const char* format, va_list args, const char*& text, size_t& length, string& made) {
    if (strcmp(format, "%s") == 0) {
        text = va_arg(args, const char*);
        if (!text) text = "(null)";
        length = strlen(text);
        return;
    }
    va_list count;
    va_copy(count, args);
    int n = vsnprintf(nullptr, 0, format, count);
    va_end(count);
    text = "";
    length = 0;
    if (n <= 0) return;
    char* buf = new char[static_cast<size_t>(n) + 1];
    vsnprintf(buf, static_cast<size_t>(n) + 1, format, args);
    made = string::Adopt(buf);
    text = made.c_str();
    length = static_cast<size_t>(n);
}

// width digits of value at out, with leading zeros.
static char* Digits(char* out, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
    return out + width;
}

// "YYYY-MM-DD HH:MM:SS.mmm " with the date, "HH:MM:SS.mmm " without.
static size_t Stamp(char* out, const SYSTEMTIME& now, bool withDate) {
    char* p = out;
    if (withDate) {
        p = Digits(p, now.wYear, 4);
        *p++ = '-';
        p = Digits(p, now.wMonth, 2);
        *p++ = '-';
        p = Digits(p, now.wDay, 2);
        *p++ = ' ';
    }
    p = Digits(p, now.wHour, 2);
    *p++ = ':';
    p = Digits(p, now.wMinute, 2);
    *p++ = ':';
    p = Digits(p, now.wSecond, 2);
    *p++ = '.';
    p = Digits(p, now.wMilliseconds, 3);
    *p++ = ' ';
    return static_cast<size_t>(p - out);
}

Jotter::Outcome Jotter::Write(DWORD format, const char* text, ...) {
    va_list args;
    va_start(args, text);
    const char* body = nullptr;
    size_t length = 0;
    string made;
    FormatText(text ? text : "", args, body, length, made);
    va_end(args);

    // The entry is made in one piece: time stamp, text, line end.
    DWORD options = options_;
    char stamp[32];
    size_t stampLength = 0;
    if (options & TimeStamp) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        stampLength = Stamp(stamp, now, (options & WithDate) != 0);
    }
    char* entryText = new char[stampLength + length + 3];
    memcpy(entryText, stamp, stampLength);
    memcpy(entryText + stampLength, body, length);
    memcpy(entryText + stampLength + length, "\r\n", 3);
    string entry = string::Adopt(entryText);

    if (!writer_) return Outcome();
    return writer_->Write(&section_, format, entry);
}
