// The script log's settings as the log takes them, and the form of its
// texts.
//
// "Script LogPath" (Settings/LogSettings.h) is the path pattern of the log
// file, whose first "*" stands for the date as "(YYYY-MM-DD)" and whose
// environment references are expanded at each entry; "Max LogText" and
// "Log Keep Days" (see OldLogs.h) as LogSettings.h reads them; "Log
// Format" as LogFormat.h takes it; "Log Delivery", "Log Spool MiB" and
// "Log Collector" as LogRoute.h takes them.
#pragma once

#include <windows.h>

#include <Trevan/CriticalSection.h>
#include <RegistryNames.h>
#include <refs.h>
#include <str.h>

#include "Log/LogFormat.h"
#include "Log/LogRoute.h"
#include "Settings/LogSettings.h"
#include "Settings/SettingsWatch.h"

// The old log files due for removal at one entry: none when keepDays is 0.
struct LogCleanup {
    string pattern;
    DWORD keepDays = 0;
    SYSTEMTIME today = {};
};

// The settings (ReadLogSettings) are read once, and again only after a
// report of SettingsWatch came: every Read looks at all reports in one wait
// without waiting, and the system sets them as the change is made, so a
// change counts from the very next Read, whoever made it. When nothing can
// be watched, the settings are read afresh at every Read. The log's path,
// with the day's date for the first "*", is made again when the pattern or
// the day changed, and at every Read when the pattern refers to the
// environment. Old logs are due once a day, at the first Read of the day
// that asks for them, and again at the first after the pattern or "Log
// Keep Days" changed. Safe for any number of threads.
class ScriptLogSettings {
public:
    // clock gives the local time (another only in tests).
    typedef VOID(WINAPI* Clock)(LPSYSTEMTIME now);
    explicit ScriptLogSettings(Clock clock = GetLocalTime);
    ScriptLogSettings(const ScriptLogSettings&) = delete;
    ScriptLogSettings& operator=(const ScriptLogSettings&) = delete;

    // Today's log path, the limit and, when asked, the entries' form. A
    // "Log Format" that names no form throws its failure (LogFormat.h)
    // before anything else. The settings are only read: the key
    // is opened for reading and change reports, and made only when it is
    // missing. A key that can be neither read nor made throws its reason
    // naming the key (RequiredKey), and the next Read tries again. cleanup,
    // when given, gets the old logs if they are due, and only one caller
    // gets them; otherwise its keepDays is 0. A Read without cleanup leaves
    // them due. A pattern with a "%" that no "%" closes names no file the
    // pattern meant: FileWriteError ERROR_INVALID_NAME with the path, which
    // path holds as well. route, when given, gets how the entry travels and
    // the time the path was made for; a "Log Delivery", "Log Spool MiB" or
    // "Log Collector" it cannot take throws its failure (LogRoute.h,
    // Collector.h) before anything else, whether route is given or not.
    void Read(string& path, DWORD& limit, LogCleanup* cleanup = nullptr, LogFormat* format = nullptr,
              LogRoute* route = nullptr);

    // How many watches have been set so far: none in steady state, one
    // again for each report that came.
    unsigned Watches() const { return watch_.Watches(); }

private:
    void Load(const LogSettings& settings);

    const Clock clock_;
    Trevan::CriticalSection lock_;
    SettingsWatch watch_;
    string pattern_;  // as written
    bool expands_;    // pattern_ refers to the environment
    bool unclosed_;   // pattern_ has a "%" without its closing one
    DWORD limit_;
    DWORD keepDays_;
    string formatText_;  // "Log Format" as written
    LogFormat format_;   // what it names
    string deliveryText_;            // "Log Delivery" as written
    RequiredKey::Value spoolValue_;  // "Log Spool MiB" as stored
    string collectorText_;           // "Log Collector" as written
    string path_;     // pattern_ with the date of pathDay_
    DWORD pathDay_;   // YYYYMMDD of path_; 0 when it must be made
    DWORD cleanDay_;  // YYYYMMDD of the last cleanup handed out; 0: due
};

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

// The text form's line of an entry as the log's Jotter writes it: its time
// as "YYYY-MM-DD HH:MM:SS.mmm ", the text cut to limit, "\r\n".
string TextLogLine(const SYSTEMTIME& time, const string& text, DWORD limit);
