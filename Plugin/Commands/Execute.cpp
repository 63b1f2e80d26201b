// aRvik.Execute: starts a program, and with Wait waits for it, at
// most Timeout milliseconds, taking its output with Capture and
// ending it, with all it started, with Kill.
#include "Commands/Commands.h"

#include <string.h>

#include <utility>

#include <TASession.h>
#include <checks.h>
#include <FixedPositions.h>
#include <ShownText.h>
#include <exceptions.h>
#include <fwbase/Path.h>
#include <owned.h>

#include "Commands/CommandArguments.h"
#include "Commands/CommandState.h"
#include "Processes/KeptProcesses.h"
#include "Processes/ProcessJob.h"
#include "Processes/ProcessOutput.h"
#include "Processes/ProcessWait.h"
#include "Commands/Timeout.h"

using TAXDK::Standard::ShownText;
using TAXDK::Tallivant::TASession;

// Results, cleared when a command starts, and arguments that its checks name.
static const char kResult[] = "aRvik.Result";
static const char kProcessId[] = "aRvik.ProcessId";
static const char kOutput[] = "aRvik.Output";
static const char kWait[] = "aRvik.Wait";
static const char kCapture[] = "aRvik.Capture";
static const char kCaptureEncoding[] = "aRvik.CaptureEncoding";

// CaptureEncoding: the code page the program writes in; the
// console's (OEM) when empty.
static UINT ReadCaptureEncoding(const string& text) {
    keystring name(text);
    if (text.empty() || name == "OEM") return GetOEMCP();
    if (name == "ANSI") return CP_ACP;
    if (name == "UTF-8") return CP_UTF8;
    throw KLAppException(string("Неизвестная кодировка: ") + kCaptureEncoding + "=" + ShownText(text) +
                         " (допустимо: OEM, ANSI, UTF-8)");
}

// The program's folder, %VAR% expanded; the empty text for the host's own.
static string ReadFolder(const string& text) {
    if (text.empty()) return text;
    string folder = ExpEnv(text);
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FileException("Не удалось запустить программу (папка не найдена): ", ShownText(folder));
    return folder;
}

static void SetOutput(TASession& values, const OutputPipe& output, UINT page) {
    CoString text;
    output.Text(page, text);
    values.SetWideString(kOutput, text);
}

void Execute(TASession& values, KeptProcesses& kept) {
    CommandArguments arguments(values);
    string command = arguments.Text("aRvik.Command");
    if (command.empty()) return;
    values.Clear(kResult);
    values.Clear(kProcessId);
    bool wait = arguments.Switch(kWait, CommandArguments::Always);
    bool hide = arguments.Switch("aRvik.Hide", CommandArguments::Always);
    bool capture = arguments.Switch(kCapture);
    if (capture) values.Clear(kOutput);
    // A text that is no number fails here, after the output is cleared.
    CommandArguments::Number timeoutGiven = arguments.Real("aRvik.Timeout");
    string folderText = arguments.Text("aRvik.Dir", CommandArguments::WhenGiven);
    string encodingText = arguments.Text(kCaptureEncoding, CommandArguments::WhenGiven);
    bool kill = arguments.Switch("aRvik.Kill");
    DWORD timeout = ReadTimeout(timeoutGiven);
    UINT page = ReadCaptureEncoding(encodingText);
    if (capture && !wait)
        throw KLAppException(string(kCapture) + " требует " + kWait +
                             ": вывод программы читается, пока её ждут");
    string folder = ReadFolder(folderText);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (hide) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    // Kill acts only when a time limit can run out.
    KernelHandle job;
    if (kill && wait && timeoutGiven.Given()) job = NewJob();
    PROCESS_INFORMATION started;
    memset(&started, 0, sizeof started);
    // CreateProcessA may write into the command line: it gets its own copy.
    aptr<char> line(newstr(command.c_str()));
    const char* directory = folder.empty() ? nullptr : folder.c_str();
    ptr<OutputPipe> output;
    if (capture) output = new OutputPipe;
    auto start = [&](DWORD flags) {
        if (!output)
            return CreateProcessA(nullptr, line.get(), nullptr, nullptr, FALSE, flags, nullptr, directory, &startup,
                                  &started);
        // Handles are inherited, but only the two that the pipe lists.
        return CreateProcessA(nullptr, line.get(), nullptr, nullptr, TRUE, flags | EXTENDED_STARTUPINFO_PRESENT,
                              nullptr, directory, &output->Startup(startup)->StartupInfo, &started);
    };
    // A program for a job starts suspended (RunInJob) and outside the job
    // the host may run in, where that job allows it: a process in no job
    // can be put in one on every system. A host job that allows no
    // breakaway refuses the start; the program then starts inside it, and
    // its job nests there (ProcessJob.h).
    BOOL created = start(job ? CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB : 0);
    if (!created && job && GetLastError() == ERROR_ACCESS_DENIED) created = start(CREATE_SUSPENDED);
    CheckSystemCall(created, FixedAt::kExecuteStart);
    if (output) output->Started();
    // Declared in this order, the thread handle is closed first.
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    if (job) RunInJob(job.get(), process.get(), thread.get(), command);
    values.SetUnsigned(kProcessId, started.dwProcessId);
    if (!wait) {
        kept.Keep(started.dwProcessId, std::move(process));
    } else {
        bool ended = output ? output->Collect(process.get(), timeout) : WaitForExit(process.get(), timeout);
        if (!ended) {
            if (job) {
                EndProgram(process.get(), job.get());
            } else {
                // A program left running is the one a script most wants to
                // await later, also once it has ended. It is kept, and its
                // output stays readable, before anything below can fail.
                kept.Keep(started.dwProcessId, std::move(process));
                if (output) output->LeaveOpen();
            }
            // Of the results only the output changes: what it wrote so far.
            if (output) {
                output->TakeWaiting();
                SetOutput(values, *output, page);
            }
            throw StillRunning(timeout, command, static_cast<bool>(job));
        }
        DWORD exitCode = 0;
        CheckSystemCall(GetExitCodeProcess(process.get(), &exitCode), FixedAt::kExecuteExitCode);
        values.SetUnsigned(kResult, exitCode);
        if (output) SetOutput(values, *output, page);
    }
    arguments.Done();
}

// The programs of the extender's CommandState, which Execute keeps and
// Await finds.
void MakeState(KeptProcesses*& made) { made = new KeptProcesses; }
void DeleteState(KeptProcesses* kept) { delete kept; }
