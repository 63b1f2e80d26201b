// aRvik.LogWrite: one entry of LogText in the script log, where the
// user's (and the administrator's) settings say.
#include "Commands/Commands.h"

#include <TASession.h>
#include <exceptions.h>
#include <fwjot/Jotter.h>

#include "Commands/CommandArguments.h"
#include "Commands/CommandState.h"
#include "Log/LogWriter.h"
#include "Log/OldLogs.h"
#include "Log/ScriptLog.h"

using TAXDK::Tallivant::TASession;

// The script log of the extender's CommandState: the writer, which holds
// the file open between entries, with each entry's time and date; and the
// settings, read again only after a change.
struct KeptLog {
    KeptLog() { log.SetOptions(log.GetOptions() | Jotter::TimeStamp | Jotter::WithDate); }

    Jotter log{new LogWriter};
    ScriptLogSettings logSettings;
};

void MakeState(KeptLog*& made) { made = new KeptLog; }
void DeleteState(KeptLog* log) { delete log; }

void LogWrite(TASession& values, KeptLog& state) {
    CommandArguments arguments(values);
    string path;
    DWORD limit = 0;
    LogCleanup cleanup;
    // A path the pattern cannot have meant is refused before anything is written.
    state.logSettings.Read(path, limit, &cleanup);
    state.log.SetLogPath(path);  // takes the log's critical section
    // Once a day; a file of yesterday that the log held is closed by now.
    if (cleanup.keepDays) RemoveOldLogs(cleanup.pattern, cleanup.keepDays, cleanup.today);
    string text = arguments.Text("aRvik.LogText");
    // The text is an argument, never a format: per-cent signs stay as they are.
    Jotter::Outcome written = state.log.Write(6, "%s", LimitLogText(text, limit).c_str());
    // The script keeps its text to retry or log elsewhere.
    if (written.error) throw FileWriteError(written.error, written.path);
    arguments.Done();
}
