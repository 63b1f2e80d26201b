#include "Log/ScriptLog.h"

#include <string.h>

#include <TextCodec.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>

ScriptLogSettings::ScriptLogSettings(Clock clock)
    : clock_(clock),
      expands_(false),
      unclosed_(false),
      limit_(0),
      keepDays_(0),
      format_(LogFormat::Text),
      pathDay_(0),
      cleanDay_(0) {}

void ScriptLogSettings::Read(string& path, DWORD& limit, LogCleanup* cleanup, LogFormat* format, LogRoute* route) {
    // Outside the lock, so that threads do not queue behind each other's
    // looks. A report stays set until the thread that acts on it sets its
    // watch again.
    bool changed = watch_.Changed();
    SYSTEMTIME now;
    clock_(&now);
    const DWORD today = now.wYear * 10000u + now.wMonth * 100u + now.wDay;
    Trevan::Lock hold(lock_);
    if ((changed || !watch_.Watching()) && watch_.Update()) Load(ReadLogSettings(watch_.Key()));
    if (cleanup) cleanup->keepDays = 0;
    if (format_ == LogFormat::Unknown) ThrowUnknownLogFormat(formatText_);
    LogRoute read;
    read.spooled = SpooledDelivery(deliveryText_);
    read.spoolMiB = SpoolMiB(spoolValue_);
    // Its environment references are expanded at each entry.
    if (!collectorText_.empty()) read.collector = CollectorOf(collectorText_);
    read.now = now;
    if (route) *route = read;
    if (format) *format = format_;
    // The environment may have changed since the last entry (aRvik.PutEnv).
    if (pathDay_ != today || expands_) {
        path_ = DatedLogPath(pattern_, now);
        pathDay_ = today;
    }
    path = path_;
    limit = limit_;
    if (unclosed_) throw FileWriteError(ERROR_INVALID_NAME, path_);
    if (!cleanup || cleanDay_ == today) return;
    cleanDay_ = today;
    // Without a "*" as written no file bears a date.
    if (!keepDays_ || pattern_.empty() || !strchr(pattern_, '*')) return;
    cleanup->pattern = ExpandedLogPattern(pattern_);
    cleanup->keepDays = keepDays_;
    cleanup->today = now;
}

static bool SameText(const char* a, const char* b) { return strcmp(a ? a : "", b ? b : "") == 0; }

// Under lock_.
void ScriptLogSettings::Load(const LogSettings& settings) {
    // Another pattern or number of days is looked at again at once; other
    // changes, and the readings of a key that is not watched, list nothing.
    if (!SameText(settings.pattern, pattern_) || settings.keepDays != keepDays_) cleanDay_ = 0;
    pattern_ = settings.pattern;
    expands_ = pattern_.get() && strchr(pattern_, '%');
    unclosed_ = false;
    for (const char* c = expands_ ? pattern_.c_str() : ""; *c; ++c)
        if (*c == '%') unclosed_ = !unclosed_;
    keepDays_ = settings.keepDays;
    limit_ = settings.limit;
    formatText_ = settings.format;
    deliveryText_ = settings.delivery;
    spoolValue_ = settings.spoolMiB;
    collectorText_ = settings.collector;
    format_ = LogFormatOf(settings.format);
    pathDay_ = 0;
}

// pattern with its first "*" as written replaced by star, and what lies on
// either side expanded.
static string ExpandAround(const char* pattern, const char* star) {
    if (!pattern) return string("");
    const char* first = strchr(pattern, '*');
    if (!first) return ExpEnv(pattern);
    return ExpEnv(string(pattern, static_cast<size_t>(first - pattern))) + star + ExpEnv(first + 1).c_str();
}

string DatedLogPath(const char* pattern, const SYSTEMTIME& day) {
    return ExpandAround(pattern, FormatBuffer(32, "(%04u-%02u-%02u)", day.wYear, day.wMonth, day.wDay));
}

string ExpandedLogPattern(const char* pattern) { return ExpandAround(pattern, "*"); }

string LimitLogText(const string& text, DWORD limit) {
    size_t length = text.length();
    if (length == 0) return string("");
    if (length < limit) return text;
    Buffer<char> cut;
    TAXDK::Standard::CutText(length, text.c_str(), limit, cut);
    return string(cut.Data(), cut.Size());
}

// width digits of value at out, with leading zeros.
static char* Digits(char* out, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
    return out + width;
}

string TextLogLine(const SYSTEMTIME& time, const string& text, DWORD limit) {
    // Made by hand, in one piece: it is on the script's thread at every entry.
    char stamp[24];
    char* p = Digits(stamp, time.wYear, 4);
    *p++ = '-';
    p = Digits(p, time.wMonth, 2);
    *p++ = '-';
    p = Digits(p, time.wDay, 2);
    *p++ = ' ';
    p = Digits(p, time.wHour, 2);
    *p++ = ':';
    p = Digits(p, time.wMinute, 2);
    *p++ = ':';
    p = Digits(p, time.wSecond, 2);
    *p++ = '.';
    p = Digits(p, time.wMilliseconds, 3);
    *p++ = ' ';
    const size_t stampLength = static_cast<size_t>(p - stamp);
    string cut = LimitLogText(text, limit);
    const size_t length = cut.length();
    char* line = new char[stampLength + length + 3];
    memcpy(line, stamp, stampLength);
    if (length) memcpy(line + stampLength, cut.c_str(), length);
    memcpy(line + stampLength + length, "\r\n", 3);
    return string::Adopt(line);
}
