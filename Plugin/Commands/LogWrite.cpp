// aRvik.LogWrite: one entry of LogText in the script log, where the
// user's (and the administrator's) settings say.
#include "Commands/Commands.h"

#include <TASession.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Log/OldLogs.h"

using TAXDK::Tallivant::TASession;

void LogWrite(TASession& values, CommandState& state) {
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
