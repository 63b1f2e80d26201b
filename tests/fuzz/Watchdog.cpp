#include "Watchdog.h"

#include <stdio.h>

#include <mutex>

std::string ReplayLine(uint64_t seed) {
    char text[80];
    snprintf(text, sizeof text, "tools/fuzz-commands.sh --replay 0x%016llx", static_cast<unsigned long long>(seed));
    return text;
}

namespace {

std::mutex lock;
uint64_t seed = 0;
ULONGLONG deadline = 0;  // 0: no call under way
std::string description;
HANDLE crashed = nullptr;  // set by the filter
volatile DWORD crashCode = 0;
void* volatile crashAddress = nullptr;
volatile DWORD crashThread = 0;

LONG WINAPI Filter(EXCEPTION_POINTERS* exception) {
    crashCode = exception->ExceptionRecord->ExceptionCode;
    crashAddress = exception->ExceptionRecord->ExceptionAddress;
    crashThread = GetCurrentThreadId();
    SetEvent(crashed);
    // The watching thread reports and ends the process.
    Sleep(INFINITE);
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI Work(void* parameter) {
    (*static_cast<const std::function<void()>*>(parameter))();
    return 0;
}

[[noreturn]] void Stop(const char* what, const std::function<void()>& cleanup) {
    std::string call;
    uint64_t callSeed = 0;
    {
        std::lock_guard<std::mutex> hold(lock);
        call = description;
        callSeed = seed;
    }
    printf("\n%s\n%s", what, call.c_str());
    if (!call.empty()) printf("  replay: %s\n", ReplayLine(callSeed).c_str());
    fflush(stdout);
    cleanup();
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    ExitProcess(3);
}

}  // namespace

namespace Watchdog {

void Run(const std::function<void()>& work, const std::function<void()>& cleanup) {
    crashed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(Filter);
    HANDLE worker = CreateThread(nullptr, 0, Work, const_cast<std::function<void()>*>(&work), 0, nullptr);
    HANDLE waits[2] = {worker, crashed};
    for (;;) {
        DWORD got = WaitForMultipleObjects(2, waits, FALSE, 200);
        if (got == WAIT_OBJECT_0) break;
        if (got == WAIT_OBJECT_0 + 1) {
            char what[160];
            snprintf(what, sizeof what, "CRASH: exception %08lX at %p in thread %lu during the call:",
                     static_cast<unsigned long>(crashCode), crashAddress, static_cast<unsigned long>(crashThread));
            Stop(what, cleanup);
        }
        ULONGLONG now = GetTickCount64();
        bool hung = false;
        {
            std::lock_guard<std::mutex> hold(lock);
            hung = deadline && now > deadline;
        }
        if (hung) Stop("HANG: the call ran past its limit:", cleanup);
    }
    CloseHandle(worker);
    SetUnhandledExceptionFilter(previous);
    CloseHandle(crashed);
    crashed = nullptr;
}

void Begin(uint64_t callSeed, DWORD limit, const std::string& text) {
    std::lock_guard<std::mutex> hold(lock);
    seed = callSeed;
    description = text;
    deadline = GetTickCount64() + limit;
}

void End() {
    std::lock_guard<std::mutex> hold(lock);
    deadline = 0;
}

}  // namespace Watchdog
