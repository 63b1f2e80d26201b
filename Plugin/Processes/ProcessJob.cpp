#include "Processes/ProcessJob.h"

#include <string.h>

#include <ShownText.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>

#include "Processes/ProcessWait.h"

KernelHandle NewJob() {
    KernelHandle job(CreateJobObjectA(nullptr, nullptr));
    THROW_LAST_ERROR_IF(!job);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    THROW_IF_WIN32_FALSE(SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits));
    return job;
}

void RunInJob(HANDLE job, HANDLE process, HANDLE thread, const string& command) {
    if (!AssignProcessToJobObject(job, process)) {
        DWORD error = GetLastError();
        TerminateProcess(process, killedExitCode);
        throw KLAppException(FormatBuffer(128, "Программа не запущена: aRvik.Kill не может поместить её в задание Windows (ошибка %lu): ",
                                          static_cast<unsigned long>(error)) +
                             TAXDK::Standard::ShownText(command).c_str());
    }
    if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
        DWORD error = GetLastError();
        TerminateJobObject(job, killedExitCode);
        THROW_WIN32(error);
    }
}
