#include <fwjot/Jotter.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>


#include "LogFile.h"

Jotter::Jotter() : options_(0) {}

void Jotter::SetLogPath(const char* path) {
    Trevan::Lock hold(lock_);
    if (!writer_) writer_ = new LogFile;
    writer_->SetPath(path);
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

namespace {
// Leaves a critical section that the caller has entered, on every exit.
class Entered {
public:
    explicit Entered(CRITICAL_SECTION* section) : section_(section) {}
    ~Entered() { LeaveCriticalSection(section_); }
    Entered(const Entered&) = delete;
    Entered& operator=(const Entered&) = delete;

private:
    CRITICAL_SECTION* section_;
};
}  // namespace

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

    // Whoever drains the queue fills this in, under the lock, before this
    // call takes the lock in turn; a record taken out otherwise leaves it
    // as it starts: not written.
    Outcome outcome;
    outcome.error = ERROR_CANCELLED;
    // Nobody is writing: the entry needs no place in the queue. Records that
    // others queued meanwhile go first.
    if (TryEnterCriticalSection(lock_.Get())) {
        Entered held(lock_.Get());
        Drain();
        Put(Data(format, entry, &outcome));
        if (outcome.thrown) std::rethrow_exception(outcome.thrown);
        return outcome;
    }
    Data* record = new Data(format, entry, &outcome);
    if (!queue_.Put(record)) {
        // The queue cannot grow: write this entry directly, in turn.
        ptr<Data> own(record);
        Trevan::Lock hold(lock_);
        Drain();
        Put(*own);
    } else {
        Trevan::Lock hold(lock_);
        Drain();
    }
    if (outcome.thrown) std::rethrow_exception(outcome.thrown);
    return outcome;
}

// Empties the queue whatever the writer does: a record left in it would
// point at the frame of a caller that has returned.
void Jotter::Drain() {
    while (Data* next = queue_.Get()) {
        ptr<Data> record(next);
        Put(*record);
    }
}

void Jotter::Put(const Data& record) {
    Outcome outcome;
    try {
        if (writer_) outcome = writer_->Put(record);
    } catch (...) {
        outcome = Outcome();
        outcome.thrown = std::current_exception();
    }
    if (record.outcome) *record.outcome = outcome;
}
