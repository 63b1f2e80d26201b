#include "Settings/SettingsWatch.h"

#include <utility>

#include <RegistryNames.h>

static const DWORD kKeyChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
// The key's deletion or making is told to its parent only.
static const DWORD kParentChanges = REG_NOTIFY_CHANGE_NAME;
// Group Policy writes the native view; the same key where there is one.
static const REGSAM kPolicyView = KEY_WOW64_64KEY;
static const HKEY kPolicyRoots[2] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

SettingsWatch::SettingsWatch(bool makeKey) : makeKey_(makeKey), state_(Unread), alwaysSet_(CreateEventA(nullptr, TRUE, TRUE, nullptr)), watches_(0) {}

bool SettingsWatch::Changed() const {
    // One trip to the system for all reports. With no report set the wait
    // ends on the event that always is, the last: a wait that timed out
    // would give up the processor as well.
    HANDLE reports[5] = {key_.Report(), parent_.Report(), policies_[0].Report(), policies_[1].Report(),
                         alwaysSet_.get()};
    DWORD count = alwaysSet_ ? 5 : 4;
    DWORD result = WaitForMultipleObjects(count, reports, FALSE, 0);
    return result != WAIT_OBJECT_0 + 4 && result != WAIT_TIMEOUT;
}

// The plug-in key for reading and change reports: made when missing, and
// throws when it can be neither read nor made; without makeKey_ empty then.
RequiredKey SettingsWatch::OpenSettings() const {
    if (!makeKey_) return RequiredKey::Optional(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_READ | KEY_NOTIFY);
    return RequiredKey(HKEY_CURRENT_USER, PLUGIN_KEY, true, KEY_READ | KEY_NOTIFY);
}

// A key left missing is not watched: the parent's watch tells of its making.
bool SettingsWatch::WatchKey(RequiredKey key) {
    if (!key && !makeKey_) {
        key_.Stop();
        return true;
    }
    return Watch(key_, std::move(key), kKeyChanges);
}

bool SettingsWatch::Watch(RegistryWatch& watch, RequiredKey key, DWORD filter, bool subtree) {
    if (!watch.Watch(std::move(key), filter, subtree)) return false;
    watches_ = watches_ + 1;
    return true;
}

bool SettingsWatch::Again(RegistryWatch& watch) {
    if (!watch.Again()) return false;
    watches_ = watches_ + 1;
    return true;
}

// Each report that came is acted on by setting its watch again. The keys
// stay open between readings: closing a watched key reports a change of
// its own.
bool SettingsWatch::Update() {
    if (state_ == Unread) return Start();
    if (state_ == Unwatched) {
        unwatched_ = OpenSettings();
        return true;
    }
    bool parentChanged = parent_.Reported(), keyChanged = key_.Reported(), policyChanged = false;
    for (int i = 0; i < 2; ++i) {
        if (!policies_[i].Reported()) continue;
        policyChanged = true;
        if (!WatchPolicies(policies_[i], kPolicyRoots[i])) return Unwatch();
    }
    if (!parentChanged && !keyChanged && !policyChanged) return false;  // another thread acted on them
    if (parentChanged && !Again(parent_)) return Unwatch();
    // After a change of the parent the key may be another one; a key that
    // cannot be watched again was deleted.
    if (parentChanged || (keyChanged && !Again(key_))) {
        key_.Stop();
        state_ = Unread;  // until a key stands again
        RequiredKey key = OpenSettings();
        state_ = Watched;
        if (!WatchKey(std::move(key))) return Unwatch();
    }
    return true;
}

// Opens and watches the keys afresh. The watches are set before the key is
// read, so a change made while reading is reported again.
bool SettingsWatch::Start() {
    key_.Stop();
    parent_.Stop();
    RequiredKey key = OpenSettings();
    if (!Watch(parent_, RequiredKey::Optional(HKEY_CURRENT_USER, PLUGINS_KEY, KEY_NOTIFY), kParentChanges) ||
        !WatchKey(std::move(key)) || !WatchPolicies(policies_[0], kPolicyRoots[0]) ||
        !WatchPolicies(policies_[1], kPolicyRoots[1]))
        return Unwatch();
    state_ = Watched;
    return true;
}

// Everything below the root's POLICIES_KEY, which holds every program's
// policies and stands on every system; while it is missing, its parent's
// subkeys, for its making. The key is opened anew each time, as the one
// watched before may be gone.
bool SettingsWatch::WatchPolicies(RegistryWatch& policies, HKEY root) {
    policies.Stop();
    RequiredKey key = RequiredKey::Optional(root, POLICIES_KEY, KEY_NOTIFY | kPolicyView);
    if (key) return Watch(policies, std::move(key), kKeyChanges, true);
    return Watch(policies, RequiredKey::Optional(root, "Software", KEY_NOTIFY | kPolicyView), kParentChanges);
}

// A watch cannot be set, so from now on the settings are read afresh at
// every Update, with nothing watched.
bool SettingsWatch::Unwatch() {
    key_.Stop();
    parent_.Stop();
    for (RegistryWatch& policies : policies_) policies.Stop();
    state_ = Unwatched;
    return Update();
}
