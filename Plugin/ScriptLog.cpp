#include "ScriptLog.h"

#include <string.h>

#include <fwbase/Format.h>
#include <fwwin/RealTime.h>

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
    RegKey::Value limit = settings[MAX_LOG_TEXT];
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

#ifndef REG_NOTIFY_THREAD_AGNOSTIC
#define REG_NOTIFY_THREAD_AGNOSTIC 0x10000000L
#endif

// One report of the next change of key that filter names to event.
static bool WatchKey(HKEY key, DWORD filter, HANDLE event) {
    if (!key) return false;
    // Not tied to the calling thread, which is the host's and may end. Systems
    // that know no such registration end it with its thread, which signals
    // the event: one reading more.
    LONG r = RegNotifyChangeKeyValue(key, FALSE, filter | REG_NOTIFY_THREAD_AGNOSTIC, event, TRUE);
    if (r == ERROR_INVALID_PARAMETER) r = RegNotifyChangeKeyValue(key, FALSE, filter, event, TRUE);
    return r == ERROR_SUCCESS;
}

ScriptLogSettings::ScriptLogSettings() : stale_(true), changed_(true, false), limit_(0), pathDay_(0) {}

void ScriptLogSettings::Read(string& path, DWORD& limit) {
    // A trip to the system: made outside the lock, so threads do not queue
    // behind each other's. Once set, the event stays set until the thread
    // that reads the change again resets it.
    bool changed = changed_.TryWait();
    SYSTEMTIME now;
    GetLocalTime(&now);
    const DWORD today = now.wYear * 10000u + now.wMonth * 100u + now.wDay;
    Trevan::Lock hold(lock_);
    if (changed && changed_.TryWait()) {
        changed_.Reset();
        stale_ = true;
    }
    if (stale_) Reload();
    if (pathDay_ != today) {
        path_ = DatedLogPath(pattern_, now);
        pathDay_ = today;
    }
    path = path_;
    limit = limit_;
}

// Under lock_. The keys are watched before they are read, so a change made
// while reading is reported again. They stay open between readings:
// closing a watched key reports a change of its own.
void ScriptLogSettings::Reload() {
    stale_ = false;
    bool watched = changed_.IsValid();
    const DWORD keyChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
    // A key that cannot be watched any more was deleted: open it afresh.
    if (!key_ || !WatchKey(key_->key, keyChanges, changed_.Get())) {
        key_ = nullptr;
        ptr<RegKey> key(new RegKey(HKEY_CURRENT_USER, PLUGIN_KEY, true, KEY_ALL_ACCESS));
        if (!key->key) {
            stale_ = true;
            key->Require();
        }
        watched = WatchKey(key->key, keyChanges, changed_.Get()) && watched;
        key_ = key.Detach();
    }
    // The key's deletion or making is told to its parent only.
    if (!parent_ || !WatchKey(parent_->key, REG_NOTIFY_CHANGE_NAME, changed_.Get())) {
        parent_ = new RegKey(HKEY_CURRENT_USER, PLUGINS_KEY, false, KEY_NOTIFY);
        watched = WatchKey(parent_->key, REG_NOTIFY_CHANGE_NAME, changed_.Get()) && watched;
    }
    // Unwatched, the settings are read for every entry.
    if (!watched) stale_ = true;
    pattern_ = (*key_)[SCRIPT_LOG_PATH].Text();
    limit_ = MaxLogText(key_->key);
    pathDay_ = 0;
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

string DatedLogPath(const char* pattern, const SYSTEMTIME& day) {
    string path(pattern);
    const char* star = strchr(path, '*');
    if (!star) return path;
    return string(path.c_str(), static_cast<size_t>(star - path.c_str())) +
           FormatBuffer(32, "(%04u-%02u-%02u)", day.wYear, day.wMonth, day.wDay).c_str() + (star + 1);
}

void SetScriptLogPath(Jotter& log, const char* pattern) {
    SectionHold hold(log.Section());
    log.SetLogPath(DatedLogPath(pattern, Date(Now())));
}

string LimitLogText(const string& text, DWORD limit) {
    size_t length = text.length();
    if (length == 0) return string("");
    if (length < limit) return text;
    return FormatBuffer(256, "[%u байт]\r\n", static_cast<unsigned>(length)) +
           string(text.c_str(), limit).c_str() + "\r\n...";
}
