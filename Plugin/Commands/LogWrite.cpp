// aRvik.LogWrite: one entry of LogText in the script log, where the
// user's (and the administrator's) settings say.
#include "Commands/Commands.h"

#include <memory>

#include <TASession.h>
#include <exceptions.h>
#include <fwjot/Jotter.h>

#include "Commands/CommandArguments.h"
#include "Commands/CommandState.h"
#include "Log/JsonLogEntry.h"
#include "Log/LogDelivery.h"
#include "Log/LogWriter.h"
#include "Log/OldLogs.h"
#include "Log/ScriptLog.h"

using TAXDK::Tallivant::TASession;

// The script log of the extender's CommandState: the writer, which holds
// the file open between entries, with each entry's time and date; the
// writer of the JSON entries, which carry their own time (a log's options
// are its own, and entries of either form may be written at once); and
// the settings, read again only after a change; in spooled delivery its
// spool and delivery thread, made with the first spooled entry, and the
// computer's name for the entries.
struct KeptLog {
    KeptLog() { log.SetOptions(log.GetOptions() | Jotter::TimeStamp | Jotter::WithDate); }

    Jotter log{new LogWriter};
    Jotter jsonLog{new LogWriter};
    ScriptLogSettings logSettings;
    Trevan::CriticalSection spoolLock;
    std::unique_ptr<LogDelivery> spooled;
    basic_text<wchar_t> computer;
};

void MakeState(KeptLog*& made) { made = new KeptLog; }
void DeleteState(KeptLog* log) { delete log; }

// The entry into the log's spool; the file and the collector get it later.
static void SpoolEntry(CommandArguments& arguments, KeptLog& state, const string& path, DWORD limit,
                       LogFormat format, const LogRoute& route) {
    const unsigned long long bound = static_cast<unsigned long long>(route.spoolMiB) << 20;
    LogDelivery* delivery;
    {
        Trevan::Lock hold(state.spoolLock);
        if (!state.spooled) {
            // A name the system cannot give is left empty: the entry is not lost for it.
            wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
            DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
            if (!GetComputerNameW(computer, &size)) computer[0] = 0;
            state.computer = computer;
            state.spooled.reset(new LogDelivery(SpoolFolder(), bound, route.collector));
        }
        delivery = state.spooled.get();
    }
    // The text form's line holds the text in the ANSI code page, as the
    // direct delivery writes it.
    string narrow = format == LogFormat::Json ? string("") : arguments.Text("aRvik.LogText");
    SpoolRecord record = SpooledEntry(route, path, limit, format, arguments.WideText("aRvik.LogText"), narrow,
                                      state.computer);
    delivery->Write(record, route.collector, bound);
}

void LogWrite(TASession& values, KeptLog& state) {
    CommandArguments arguments(values);
    string path;
    DWORD limit = 0;
    LogCleanup cleanup;
    LogFormat format = LogFormat::Text;
    LogRoute route;
    // A path the pattern cannot have meant, or a form, delivery, bound or
    // collector that is none, is refused before anything is written.
    state.logSettings.Read(path, limit, &cleanup, &format, &route);
    if (route.spooled) {
        if (cleanup.keepDays) RemoveOldLogs(cleanup.pattern, cleanup.keepDays, cleanup.today);
        SpoolEntry(arguments, state, path, limit, format, route);
        arguments.Done();
        return;
    }
    state.log.SetLogPath(path);  // takes the log's critical section
    // Both writers move to the day's file, so neither holds yesterday's.
    state.jsonLog.SetLogPath(path);
    // Once a day; a file of yesterday that the log held is closed by now.
    if (cleanup.keepDays) RemoveOldLogs(cleanup.pattern, cleanup.keepDays, cleanup.today);
    Jotter::Outcome written;
    if (format == LogFormat::Json) {
        // Wide, so that characters the ANSI code page lacks reach the file.
        basic_text<wchar_t> text = arguments.WideText("aRvik.LogText");
        written = state.jsonLog.Write(6, "%s", JsonLogEntry(text.c_str(), text.length(), limit).c_str());
    } else {
        string text = arguments.Text("aRvik.LogText");
        // The text is an argument, never a format: per-cent signs stay as they are.
        written = state.log.Write(6, "%s", LimitLogText(text, limit).c_str());
    }
    // The script keeps its text to retry or log elsewhere.
    if (written.error) throw FileWriteError(written.error, written.path);
    arguments.Done();
}
