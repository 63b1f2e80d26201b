#include "Processes/ProcessWait.h"

#include <checks.h>
#include <ShownText.h>
#include <fwbase/Format.h>

bool WaitForExit(HANDLE process, DWORD milliseconds) {
    DWORD waited = WaitForSingleObject(process, milliseconds);
    THROW_LAST_ERROR_IF(waited == WAIT_FAILED);
    return waited != WAIT_TIMEOUT;
}

// The system ends a process at once unless it hangs in a driver: then the
// command reports it ended all the same rather than hang with it.
static const DWORD endTime = 5000;

void EndProgram(HANDLE process, HANDLE job) {
    if (!(job ? TerminateJobObject(job, killedExitCode) : TerminateProcess(process, killedExitCode))) {
        // Taken before the wait below, which may set its own.
        DWORD error = GetLastError();
        // One that ended by itself since the wait gave up refuses to be ended.
        if (!WaitForExit(process, 0)) THROW_WIN32(error);
    }
    WaitForExit(process, endTime);
}

KLAppException StillRunning(DWORD timeout, const string& program, bool ended) {
    string text = FormatBuffer(64, "Программа не завершилась за %lu мс: ", static_cast<unsigned long>(timeout)) + TAXDK::Standard::ShownText(program).c_str();
    return KLAppException(ended ? text + "; программа завершена" : text);
}
