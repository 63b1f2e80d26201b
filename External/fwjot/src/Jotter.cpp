#include <fwjot/Jotter.h>

#include <stdarg.h>
#include <stdio.h>

#include <fwbase/Format.h>

#include "LogFile.h"

Jotter::Jotter() : options_(0) {}

void Jotter::SetLogPath(const char* path) {
    Trevan::Lock hold(lock_);
    if (!writer_) writer_ = new LogFile;
    writer_->SetPath(path);
}

static string FormatText(const char* format, va_list args) {
    va_list count;
    va_copy(count, args);
    int n = vsnprintf(nullptr, 0, format, count);
    va_end(count);
    if (n <= 0) return string("");
    char* buf = new char[static_cast<size_t>(n) + 1];
    vsnprintf(buf, static_cast<size_t>(n) + 1, format, args);
    return string::Adopt(buf);
}

Jotter::Outcome Jotter::Write(DWORD format, const char* text, ...) {
    va_list args;
    va_start(args, text);
    string body = FormatText(text ? text : "", args);
    va_end(args);

    DWORD options = options_;
    string entry;
    if (options & TimeStamp) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        string stamp = (options & WithDate) ? FormatBuffer(64, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear,
                                                           now.wMonth, now.wDay, now.wHour, now.wMinute,
                                                           now.wSecond, now.wMilliseconds)
                                            : FormatBuffer(64, "%02u:%02u:%02u.%03u ", now.wHour, now.wMinute,
                                                           now.wSecond, now.wMilliseconds);
        entry = stamp + body.c_str() + "\r\n";
    } else {
        entry = body + "\r\n";
    }

    // Whoever drains the queue fills this in, under the lock, before this
    // call takes the lock in turn.
    Outcome outcome;
    Data* record = new Data(format, entry, &outcome);
    if (!queue_.Put(record)) {
        // The queue cannot grow: write this entry directly, in turn.
        ptr<Data> own(record);
        Trevan::Lock hold(lock_);
        Drain();
        Put(*own);
        return outcome;
    }
    Trevan::Lock hold(lock_);
    Drain();
    return outcome;
}

void Jotter::Drain() {
    while (Data* next = queue_.Get()) {
        ptr<Data> record(next);
        Put(*record);
    }
}

void Jotter::Put(const Data& record) {
    if (!writer_) return;
    Outcome outcome = writer_->Put(record);
    if (record.outcome) *record.outcome = outcome;
}
