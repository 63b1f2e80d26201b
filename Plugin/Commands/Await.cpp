// aRvik.Await: waits for a process named by its id, at most Timeout
// milliseconds, ending it with Kill when the time runs out, and gives
// its exit code.
//
// A program that aRvik.Execute left running is found among the kept ones,
// also after it has ended: the kept handle holds the process, so its id
// names no other process meanwhile. Any other id is whatever process has it
// now.
#include "Commands/Commands.h"

#include <math.h>

#include <ShownText.h>
#include <TASession.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <owned.h>

#include "Commands/CommandArguments.h"
#include "Processes/KeptProcesses.h"
#include "Processes/ProcessWait.h"
#include "Commands/Timeout.h"

using TAXDK::Tallivant::TASession;

static const char kResult[] = "aRvik.Result";

// A whole number from 0 to 4294967295, read as every session number; the
// empty text names no process and is no number either.
static DWORD ReadProcessId(const CommandArguments::Number& id) {
    double value = id.Given() ? id.value : -1;
    if (value != floor(value) || value < 0 || value > 4294967295.0)
        throw KLAppException(string("Неверный формат числа: ") + id.name + "=" + TAXDK::Standard::ShownText(id.text));
    return static_cast<DWORD>(value);
}

// The process that has the id now, if the system lets us wait for it (and
// end it, when terminate).
static KernelHandle OpenById(DWORD id, const string& name, bool terminate) {
    DWORD access = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | (terminate ? PROCESS_TERMINATE : 0);
    KernelHandle process(OpenProcess(access, FALSE, id));
    if (process) return process;
    DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER) throw KLAppException(string("Нет процесса с таким идентификатором: ") + name);
    if (error == ERROR_ACCESS_DENIED) throw KLAppException(string("Нет доступа к процессу: ") + name);
    THROW_WIN32(error);
}

void Await(TASession& values, KeptProcesses& kept) {
    CommandArguments arguments(values);
    values.Clear(kResult);
    // ProcessId stays: it names the process whose exit code it is.
    CommandArguments::Number idGiven = arguments.Real("aRvik.ProcessId", CommandArguments::Stays);
    // The id's checks come before any of the time limit's.
    DWORD id = ReadProcessId(idGiven);
    CommandArguments::Number timeoutGiven = arguments.Real("aRvik.Timeout");
    bool kill = arguments.Switch("aRvik.Kill");
    DWORD timeout = ReadTimeout(timeoutGiven);
    string name = FormatBuffer(48, "%s=%lu", idGiven.name, static_cast<unsigned long>(id));
    // The host cannot end while it waits for itself, and must not be ended.
    if (id == GetCurrentProcessId())
        throw KLAppException(string("Нельзя ждать процесс, в котором выполняется сценарий: ") + name);
    // Kill acts only when a time limit can run out.
    bool end = kill && timeout != INFINITE;
    KernelHandle process = kept.Find(id);
    if (!process) process = OpenById(id, name, end);
    if (!WaitForExit(process.get(), timeout)) {
        if (end) EndProgram(process.get(), nullptr);
        throw StillRunning(timeout, name, end);
    }
    DWORD exitCode = 0;
    THROW_IF_WIN32_FALSE(GetExitCodeProcess(process.get(), &exitCode));
    values.SetUnsigned(kResult, exitCode);
    arguments.Done();
}
