#include "Log/ScriptLog.h"

#include <string.h>

#include <SettingLimits.h>
#include <TextCodec.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>

#include "Settings/Policy.h"
#include "Settings/RequiredKey.h"

// Digits only, up to the highest "Max LogText" (all of 32 bits); false
// for anything else.
static bool PlainNumber(const char* text, DWORD& number) {
    if (!*text) return false;
    unsigned long long value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<unsigned>(*c - '0');
        if (value > MAX_LOG_TEXT_HIGHEST) return false;
    }
    number = static_cast<DWORD>(value);
    return true;
}

bool MaxLogTextIn(HKEY key, DWORD& limit) {
    if (!key) return false;
    RegKey::Value value = RegKey(key)[MAX_LOG_TEXT];
    // A value of another type would read as 0 and cut every text away.
    switch (ValueType(key, MAX_LOG_TEXT)) {
    case REG_DWORD:
        limit = value.Number();
        return true;
    case REG_SZ:
        return PlainNumber(value.Text(), limit);
    default:
        return false;
    }
}

DWORD MaxLogText(HKEY pluginKey) {
    DWORD limit = 0x8000;
    MaxLogTextIn(pluginKey, limit);
    return limit;
}

bool LogPatternIn(HKEY key, string& pattern) {
    DWORD type = ValueType(key, SCRIPT_LOG_PATH);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    pattern = RegKey(key)[SCRIPT_LOG_PATH].Text();
    return true;
}

// More days than the highest "Log Keep Days" count as that many.
static DWORD KeptDays(DWORD days) { return days > LOG_KEEP_DAYS_HIGHEST ? LOG_KEEP_DAYS_HIGHEST : days; }

bool LogKeepDaysIn(HKEY key, DWORD& days) {
    if (ValueType(key, LOG_KEEP_DAYS) != REG_DWORD) return false;
    days = KeptDays(RegKey(key)[LOG_KEEP_DAYS].Number());
    return true;
}

bool DefaultKeepDaysIn(HKEY key, DWORD& days) {
    if (ValueType(key, LOG_KEEP_DAYS) != REG_SZ) return LogKeepDaysIn(key, days);
    if (!PlainNumber(RegKey(key)[LOG_KEEP_DAYS].Text(), days)) return false;
    days = KeptDays(days);
    return true;
}

#ifndef REG_NOTIFY_THREAD_AGNOSTIC
#define REG_NOTIFY_THREAD_AGNOSTIC 0x10000000L
#endif

static const DWORD kKeyChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
// The key's deletion or making is told to its parent only.
static const DWORD kParentChanges = REG_NOTIFY_CHANGE_NAME;
// Group Policy writes the native view; the same key where there is one.
static const REGSAM kPolicyView = KEY_WOW64_64KEY;

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
      policies_{PolicyWatch(HKEY_LOCAL_MACHINE), PolicyWatch(HKEY_CURRENT_USER)},
      watches_(0),
      expands_(false),
      unclosed_(false),
      limit_(0),
      keepDays_(0),
      pathDay_(0),
      cleanDay_(0) {}

DWORD ScriptLogSettings::Read(string& path, DWORD& limit, LogCleanup* cleanup) {
    // One trip to the system for all reports, made outside the lock so
    // that threads do not queue behind each other's. A report stays set
    // until the thread that acts on it resets it.
    // With no report set the wait ends on the event that always is, the
    // last: a wait that timed out would give up the processor as well.
    HANDLE reports[5] = {keyChanged_.Get(), parentChanged_.Get(), policies_[0].changed.Get(),
                         policies_[1].changed.Get(), alwaysSet_.Get()};
    DWORD count = alwaysSet_.IsValid() ? 5 : 4;
    DWORD result = WaitForMultipleObjects(count, reports, FALSE, 0);
    bool quiet = result == WAIT_OBJECT_0 + 4 || result == WAIT_TIMEOUT;
    SYSTEMTIME now;
    clock_(&now);
    const DWORD today = now.wYear * 10000u + now.wMonth * 100u + now.wDay;
    Trevan::Lock hold(lock_);
    if (!quiet || state_ != Watched) Update();
    // The environment may have changed since the last entry (aRvik.PutEnv).
    if (pathDay_ != today || expands_) {
        path_ = DatedLogPath(pattern_, now);
        pathDay_ = today;
    }
    path = path_;
    limit = limit_;
    if (cleanup) cleanup->keepDays = 0;
    if (unclosed_) return ERROR_INVALID_NAME;
    if (!cleanup || cleanDay_ == today) return 0;
    cleanDay_ = today;
    // Without a "*" as written no file bears a date.
    if (!keepDays_ || pattern_.empty() || !strchr(pattern_, '*')) return 0;
    cleanup->pattern = ExpandedLogPattern(pattern_);
    cleanup->keepDays = keepDays_;
    cleanup->today = now;
    return 0;
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
    bool parentChanged = parentChanged_.TryWait(), keyChanged = keyChanged_.TryWait(), policyChanged = false;
    for (PolicyWatch& policies : policies_) {
        if (!policies.changed.TryWait()) continue;
        policyChanged = true;
        if (!WatchPolicies(policies)) {
            Unwatch();
            return Update();
        }
    }
    if (!parentChanged && !keyChanged && !policyChanged) return;  // another thread acted on them
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
    if (parentChanged || (keyChanged && !Watch(key_->Get(), kKeyChanges, keyChanged_))) {
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
    if (!Watch(parent_->key, kParentChanges, parentChanged_) || !Watch(key->Get(), kKeyChanges, keyChanged_) ||
        !WatchPolicies(policies_[0]) || !WatchPolicies(policies_[1])) {
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
    for (PolicyWatch& policies : policies_) policies.key = nullptr;
    state_ = Unwatched;
}

// One report of the next change of key that filter names, below it too
// when subtree is set.
bool ScriptLogSettings::Watch(HKEY key, DWORD filter, Trevan::Event& report, bool subtree) {
    if (!key || !report.IsValid()) return false;
    // Not tied to the calling thread, which is the host's and may end. Systems
    // that know no such registration end it with its thread, which signals
    // the event: one reading more.
    LONG r = RegNotifyChangeKeyValue(key, subtree, filter | REG_NOTIFY_THREAD_AGNOSTIC, report.Get(), TRUE);
    if (r == ERROR_INVALID_PARAMETER) r = RegNotifyChangeKeyValue(key, subtree, filter, report.Get(), TRUE);
    if (r != ERROR_SUCCESS) return false;
    watches_ = watches_ + 1;
    return true;
}

// Under lock_: everything below the root's POLICIES_KEY, which holds every
// program's policies and stands on every system; while it is missing, its
// parent's subkeys, for its making. The key is opened anew each time, as
// the one watched before may be gone.
bool ScriptLogSettings::WatchPolicies(PolicyWatch& policies) {
    policies.key = nullptr;
    policies.changed.Reset();  // closing the old key may have set it
    policies.key = new RegKey(policies.root, POLICIES_KEY, false, KEY_NOTIFY | kPolicyView);
    if (policies.key->key) return Watch(policies.key->key, kKeyChanges, policies.changed, true);
    policies.key = new RegKey(policies.root, "Software", false, KEY_NOTIFY | kPolicyView);
    return Watch(policies.key->key, kParentChanges, policies.changed);
}

static bool SameText(const char* a, const char* b) { return strcmp(a ? a : "", b ? b : "") == 0; }

// Of each setting the first policy key that holds it in a form it takes
// decides it: the machine's before the user's.
template <class T>
static bool FromPolicies(const PolicyKeys& policies, bool (*read)(HKEY, T&), T& value) {
    return read(policies.Machine(), value) || read(policies.User(), value);
}

void ScriptLogSettings::Load(HKEY key) {
    PolicyKeys policies(POLICY_KEY);
    string pattern;
    if (!FromPolicies(policies, LogPatternIn, pattern)) pattern = RegKey(key)[SCRIPT_LOG_PATH].Text();
    DWORD keepDays = 0;  // keep all
    if (!FromPolicies(policies, LogKeepDaysIn, keepDays)) LogKeepDaysIn(key, keepDays);
    DWORD limit = 0;
    if (!FromPolicies(policies, MaxLogTextIn, limit)) limit = MaxLogText(key);
    // Another pattern or number of days is looked at again at once; other
    // changes, and the readings of a key that is not watched, list nothing.
    if (!SameText(pattern, pattern_) || keepDays != keepDays_) cleanDay_ = 0;
    pattern_ = pattern;
    expands_ = pattern.get() && strchr(pattern, '%');
    unclosed_ = false;
    for (const char* c = expands_ ? pattern.c_str() : ""; *c; ++c)
        if (*c == '%') unclosed_ = !unclosed_;
    keepDays_ = keepDays;
    limit_ = limit;
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
