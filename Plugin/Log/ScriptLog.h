// The script log's settings and the form of its texts.
//
// The settings live under HKEY_CURRENT_USER in PLUGIN_KEY: "Script LogPath"
// is the path pattern of the log file, whose first "*" stands for the date
// as "(YYYY-MM-DD)" and whose environment references are expanded at each
// entry; "Max LogText" is the longest text, in bytes, written without
// cutting (unsigned; 32768 when missing); "Log Keep Days", a REG_DWORD, is
// how many days of dated files are kept (0, missing or of another type: all
// of them; more than LOG_KEEP_DAYS_HIGHEST of SettingLimits.h count as that
// many; see OldLogs.h). A policy (Policy.h) that holds a setting in a
// form it takes decides it instead of the user's key.
#pragma once

#include <windows.h>

#include <Trevan/CriticalSection.h>
#include <Trevan/Event.h>
#include <RegistryNames.h>
#include <fwwin/RegKey.h>
#include <refs.h>
#include <str.h>

#include "Settings/RequiredKey.h"

// The old log files due for removal at one entry: none when keepDays is 0.
struct LogCleanup {
    string pattern;
    DWORD keepDays = 0;
    SYSTEMTIME today = {};
};

// "Script LogPath", "Max LogText" and "Log Keep Days" as the policies and
// the plug-in key hold them. They are read once, and again only after the
// system reported a change: of the key (a value set or removed, a subkey
// made or removed, its access list changed), of its parent's subkeys (the
// key deleted or made), or of anything below either root's POLICIES_KEY
// (while that is missing, of its parent's subkeys). Each report is an
// event; every Read tests all of them in one wait without waiting, and the
// system sets them as the change is made, so a change counts from the very
// next Read, whoever made it. Only the watch whose report came is set
// again. When a watch cannot be set (a parent that denies change reports),
// the settings are read afresh at every Read and nothing is watched. The
// log's path, with the day's date for the first "*", is made again when the
// pattern or the day changed, and at every Read when the pattern refers to
// the environment. Old logs are due once a day, at the first Read of the
// day that asks for them, and again at the first after the pattern or "Log
// Keep Days" changed. Safe for any number of threads.
class ScriptLogSettings {
public:
    // clock gives the local time (another only in tests).
    typedef VOID(WINAPI* Clock)(LPSYSTEMTIME now);
    explicit ScriptLogSettings(Clock clock = GetLocalTime);
    ScriptLogSettings(const ScriptLogSettings&) = delete;
    ScriptLogSettings& operator=(const ScriptLogSettings&) = delete;

    // Today's log path and the limit. The settings are only read: the key
    // is opened for reading and change reports, and made only when it is
    // missing. A key that can be neither read nor made throws its reason
    // naming the key (RequiredKey), and the next Read tries again. cleanup,
    // when given, gets the old logs if they are due, and only one caller
    // gets them; otherwise its keepDays is 0. A Read without cleanup leaves
    // them due. Returns 0, or ERROR_INVALID_NAME for a pattern with a "%"
    // that no "%" closes: such a path names no file the pattern meant.
    DWORD Read(string& path, DWORD& limit, LogCleanup* cleanup = nullptr);

    // How many watches have been set so far: none in steady state, one
    // again for each report that came.
    unsigned Watches() const { return watches_; }

private:
    enum State { Unread, Watched, Unwatched };

    // The watch of one root's policies.
    struct PolicyWatch {
        explicit PolicyWatch(HKEY root) : root(root), changed(true, false) {}
        const HKEY root;
        Trevan::Event changed;  // set by the system on a change (manual reset)
        ptr<RegKey> key;        // while watched: POLICIES_KEY, or its parent
    };

    void Update();
    void Start();
    void Unwatch();
    bool Watch(HKEY key, DWORD filter, Trevan::Event& report, bool subtree = false);
    bool WatchPolicies(PolicyWatch& policies);
    void Load(HKEY key);

    const Clock clock_;
    Trevan::CriticalSection lock_;
    State state_;
    Trevan::Event keyChanged_;     // set by the system on a change of the key (manual reset)
    Trevan::Event parentChanged_;  // set on a change of the parent's subkeys (manual reset)
    Trevan::Event alwaysSet_;      // ends the wait when no report is set
    ptr<RequiredKey> key_;         // while watched
    ptr<RegKey> parent_;           // while watched
    PolicyWatch policies_[2];      // the machine's and the user's
    volatile unsigned watches_;
    string pattern_;  // as written
    bool expands_;    // pattern_ refers to the environment
    bool unclosed_;   // pattern_ has a "%" without its closing one
    DWORD limit_;
    DWORD keepDays_;
    string path_;     // pattern_ with the date of pathDay_
    DWORD pathDay_;   // YYYYMMDD of path_; 0 when it must be made
    DWORD cleanDay_;  // YYYYMMDD of the last cleanup handed out; 0: due
};

// "Max LogText" of the open key, read through a borrowing RegKey: a
// REG_DWORD, or a REG_SZ of decimal digits only; 32768 when the key is not
// open, the value is missing or it is anything else.
DWORD MaxLogText(HKEY pluginKey);

// A setting of an open key (null: none) in a form it takes: "Script
// LogPath" a REG_SZ or REG_EXPAND_SZ, "Max LogText" as MaxLogText reads it,
// "Log Keep Days" a REG_DWORD. False, the value untouched, for any other.
bool LogPatternIn(HKEY key, string& pattern);
bool MaxLogTextIn(HKEY key, DWORD& limit);
bool LogKeepDaysIn(HKEY key, DWORD& days);
// "Log Keep Days" of the machine's defaults, which the installers write as
// text: a REG_DWORD, or a REG_SZ as "Max LogText" takes it.
bool DefaultKeepDaysIn(HKEY key, DWORD& days);

// pattern with day's date as "(YYYY-MM-DD)" in place of the first "*" as
// written (later ones stay), and environment references expanded on
// either side of it as ExpEnv expands them (a name that is not set stays as
// written); a "*" that a variable's value brings is no date's place.
string DatedLogPath(const char* pattern, const SYSTEMTIME& day);
// The same with the first "*" kept: the pattern of the dated files that
// RemoveOldLogs takes.
string ExpandedLogPattern(const char* pattern);

// A text as long as limit or longer becomes "[N байт]\r\n", its first limit
// bytes and "\r\n..."; a shorter one stays as it is.
string LimitLogText(const string& text, DWORD limit);
