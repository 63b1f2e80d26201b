#include "ScriptLog.h"

#include <string.h>

#include <TextCodec.h>
#include <fwbase/Format.h>

#include "RequiredKey.h"

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
    switch (ValueType(pluginKey, MAX_LOG_TEXT)) {
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

static const DWORD kKeyChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
// The key's deletion or making is told to its parent only.
static const DWORD kParentChanges = REG_NOTIFY_CHANGE_NAME;

// The plug-in key for reading and change reports, made when missing;
// throws when it can be neither read nor made.
static RequiredKey* OpenSettings() {
    return new RequiredKey(HKEY_CURRENT_USER, PLUGIN_KEY, true, KEY_READ | KEY_NOTIFY);
}

ScriptLogSettings::ScriptLogSettings(Clock clock)
    : clock_(clock),
      state_(Unread),
      keyChanged_(true, false),
      parentChanged_(true, false),
      alwaysSet_(true, true),
      watches_(0),
      limit_(0),
      keepDays_(0),
      pathDay_(0),
      cleanDay_(0) {}

void ScriptLogSettings::Read(string& path, DWORD& limit, LogCleanup* cleanup) {
    // One trip to the system for both reports, made outside the lock so
    // that threads do not queue behind each other's. A report stays set
    // until the thread that acts on it resets it.
    // With no report set the wait ends on the event that always is, the
    // last: a wait that timed out would give up the processor as well.
    HANDLE reports[3] = {keyChanged_.Get(), parentChanged_.Get(), alwaysSet_.Get()};
    DWORD count = alwaysSet_.IsValid() ? 3 : 2;
    DWORD result = WaitForMultipleObjects(count, reports, FALSE, 0);
    bool quiet = result == WAIT_OBJECT_0 + 2 || result == WAIT_TIMEOUT;
    SYSTEMTIME now;
    clock_(&now);
    const DWORD today = now.wYear * 10000u + now.wMonth * 100u + now.wDay;
    Trevan::Lock hold(lock_);
    if (!quiet || state_ != Watched) Update();
    if (pathDay_ != today) {
        path_ = DatedLogPath(pattern_, now);
        pathDay_ = today;
    }
    path = path_;
    limit = limit_;
    if (!cleanup) return;
    cleanup->keepDays = 0;
    if (cleanDay_ == today) return;
    cleanDay_ = today;
    if (!keepDays_ || pattern_.empty()) return;
    cleanup->pattern = pattern_;
    cleanup->keepDays = keepDays_;
    cleanup->today = now;
}

// Under lock_. A watch is set before the key is read, so a change made
// while reading is reported again. The keys stay open between readings:
// closing a watched key reports a change of its own.
void ScriptLogSettings::Update() {
    if (state_ == Unread) return Start();
    if (state_ == Unwatched) {
        ptr<RequiredKey> key(OpenSettings());
        return Load(key->Get());
    }
    bool parentChanged = parentChanged_.TryWait(), keyChanged = keyChanged_.TryWait();
    if (!parentChanged && !keyChanged) return;  // another thread acted on them
    if (parentChanged) {
        parentChanged_.Reset();
        if (!Watch(parent_->key, kParentChanges, parentChanged_)) {
            Unwatch();
            return Update();
        }
    }
    if (keyChanged) keyChanged_.Reset();
    // After a change of the parent the key may be another one; a key that
    // cannot be watched again was deleted.
    if (parentChanged || !Watch(key_->Get(), kKeyChanges, keyChanged_)) {
        key_ = nullptr;
        state_ = Unread;  // until a key stands again
        key_ = OpenSettings();
        state_ = Watched;
        keyChanged_.Reset();  // closing the old key may have set it
        if (!Watch(key_->Get(), kKeyChanges, keyChanged_)) {
            Unwatch();
            return Update();
        }
    }
    Load(key_->Get());
}

// Under lock_: opens and watches both keys afresh.
void ScriptLogSettings::Start() {
    key_ = nullptr;
    parent_ = nullptr;
    ptr<RequiredKey> key(OpenSettings());
    parent_ = new RegKey(HKEY_CURRENT_USER, PLUGINS_KEY, false, KEY_NOTIFY);
    parentChanged_.Reset();
    keyChanged_.Reset();
    if (!Watch(parent_->key, kParentChanges, parentChanged_) || !Watch(key->Get(), kKeyChanges, keyChanged_)) {
        Unwatch();
        return Load(key->Get());
    }
    key_ = key.Detach();
    state_ = Watched;
    Load(key_->Get());
}

// Under lock_: a watch cannot be set, so from now on the settings are read
// afresh at every Read, with nothing watched.
void ScriptLogSettings::Unwatch() {
    key_ = nullptr;
    parent_ = nullptr;
    state_ = Unwatched;
}

// One report of the next change of key that filter names.
bool ScriptLogSettings::Watch(HKEY key, DWORD filter, Trevan::Event& report) {
    if (!key || !report.IsValid()) return false;
    // Not tied to the calling thread, which is the host's and may end. Systems
    // that know no such registration end it with its thread, which signals
    // the event: one reading more.
    LONG r = RegNotifyChangeKeyValue(key, FALSE, filter | REG_NOTIFY_THREAD_AGNOSTIC, report.Get(), TRUE);
    if (r == ERROR_INVALID_PARAMETER) r = RegNotifyChangeKeyValue(key, FALSE, filter, report.Get(), TRUE);
    if (r != ERROR_SUCCESS) return false;
    watches_ = watches_ + 1;
    return true;
}

// "Log Keep Days" of the open key: a REG_DWORD; 0 (keep all) otherwise.
static DWORD LogKeepDays(HKEY key) {
    return ValueType(key, LOG_KEEP_DAYS) == REG_DWORD ? RegKey(key)[LOG_KEEP_DAYS].Number() : 0;
}

static bool SameText(const char* a, const char* b) { return strcmp(a ? a : "", b ? b : "") == 0; }

void ScriptLogSettings::Load(HKEY key) {
    string pattern = RegKey(key)[SCRIPT_LOG_PATH].Text();
    DWORD keepDays = LogKeepDays(key);
    // Another pattern or number of days is looked at again at once; other
    // changes, and the readings of a key that is not watched, list nothing.
    if (!SameText(pattern, pattern_) || keepDays != keepDays_) cleanDay_ = 0;
    pattern_ = pattern;
    keepDays_ = keepDays;
    limit_ = MaxLogText(key);
    pathDay_ = 0;
}

string DatedLogPath(const char* pattern, const SYSTEMTIME& day) {
    string path(pattern);
    const char* star = strchr(path, '*');
    if (!star) return path;
    return string(path.c_str(), static_cast<size_t>(star - path.c_str())) +
           FormatBuffer(32, "(%04u-%02u-%02u)", day.wYear, day.wMonth, day.wDay).c_str() + (star + 1);
}

string LimitLogText(const string& text, DWORD limit) {
    size_t length = text.length();
    if (length == 0) return string("");
    if (length < limit) return text;
    Buffer<char> cut;
    TAXDK::Standard::CutText(length, text.c_str(), limit, cut);
    return string(cut.Data(), cut.Size());
}
