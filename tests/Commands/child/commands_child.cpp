// Started by the command tests through aRvik.Execute.
//   commands_child CODE [REPORT [VARIABLE]]
// Exits with CODE (a signed or unsigned decimal number). With REPORT it
// first writes, one per line, what it was started with: "flags=" and
// "show=" from GetStartupInfoA, "env=" the value of VARIABLE (empty when
// unset), "cwd=" its current folder.
//   commands_child STEP... CODE
// Runs the steps in order, then exits with CODE:
//   -o TEXT   writes TEXT to the standard output
//   -e TEXT   writes TEXT to the standard error
//   -x HEX    writes the bytes given in hexadecimal to the standard output
//   -n COUNT  writes COUNT bytes to the standard output: lines of 63 letters
//             (byte i of the run is 'a' + i / 64 % 26) each ending in "\n"
//   -s MS     sleeps
//   -h VALUE  writes "handle VALUE: present" or "absent": whether the
//             handle value names an open handle here
//   -i        reads the standard input to its end, writes "input=N"
//   -p        writes "pid=" and its process id
//   -g MS     starts "commands_child -s MS 0" inheriting its handles and
//             writes "grandchild=" and that process's id
//   -b MS     as -g, with CREATE_BREAKAWAY_FROM_JOB: writes "breakaway="
//             and its process id, or "breakaway refused=" and the error
//   -t FILE   the steps after it write into FILE instead of the output
//   -w MS     starts "commands_child -k EVENT -f MS 0" inheriting its
//             handles, waits (at most 60 s) until it has written, and
//             writes "grandchild=" and that process's id
//   -k VALUE  the inherited event handle value that -f sets
//   -f MS     writes dots without pause for MS milliseconds from three
//             threads, setting the event of -k after the first write; ends
//             when the output breaks
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HANDLE target = nullptr;  // set by -t
static HANDLE written = nullptr;  // set by -k

static DWORD floodUntil;  // set by -f

// Writes of 256 KiB, four times what the pipe holds: each waits while it is
// read, and the other writers' writes wait in the pipe meanwhile.
static char dots[256 << 10];

static DWORD WINAPI Flood(void*) {
    do {
        DWORD n = 0;
        if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), dots, sizeof dots, &n, nullptr)) ExitProcess(4);
        if (written) SetEvent(written);
    } while (static_cast<int>(floodUntil - GetTickCount()) > 0);
    return 0;
}

static HANDLE HandleValue(const char* value) {
    return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(_strtoui64(value, nullptr, 10)));
}

// Starts this program with the arguments given, inheriting the handles;
// its process id, or 0.
static DWORD StartSelf(const char* args, DWORD flags = 0) {
    char self[MAX_PATH] = "", line[MAX_PATH + 96];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    snprintf(line, sizeof line, "\"%s\" %s", self, args);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &started)) return 0;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return started.dwProcessId;
}

static void Put(DWORD which, const void* data, size_t size) {
    HANDLE out = target ? target : GetStdHandle(which);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD n = 0;
        if (!WriteFile(out, p, static_cast<DWORD>(size > 65536 ? 65536 : size), &n, nullptr) || n == 0) ExitProcess(4);
        p += n;
        size -= n;
    }
}

static void Say(const char* format, unsigned long long value) {
    char text[64];
    int n = snprintf(text, sizeof text, format, value);
    Put(STD_OUTPUT_HANDLE, text, static_cast<size_t>(n));
}

static int Steps(int argc, char** argv) {
    int i = 1;
    for (; i + 1 < argc; ++i) {
        const char* step = argv[i];
        const char* value = i + 2 < argc ? argv[i + 1] : "";
        if (!strcmp(step, "-o") || !strcmp(step, "-e")) {
            Put(step[1] == 'o' ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, value, strlen(value));
            ++i;
        } else if (!strcmp(step, "-x")) {
            for (const char* h = value; h[0] && h[1]; h += 2) {
                char pair[3] = {h[0], h[1], 0};
                char byte = static_cast<char>(strtoul(pair, nullptr, 16));
                Put(STD_OUTPUT_HANDLE, &byte, 1);
            }
            ++i;
        } else if (!strcmp(step, "-n")) {
            unsigned long long count = _strtoui64(value, nullptr, 10), at = 0;
            static char block[65536];
            while (at < count) {
                size_t n = 0;
                for (; n < sizeof block && at + n < count; ++n) {
                    unsigned long long k = at + n;
                    block[n] = k % 64 == 63 ? '\n' : static_cast<char>('a' + k / 64 % 26);
                }
                Put(STD_OUTPUT_HANDLE, block, n);
                at += n;
            }
            ++i;
        } else if (!strcmp(step, "-s")) {
            Sleep(strtoul(value, nullptr, 10));
            ++i;
        } else if (!strcmp(step, "-h")) {
            HANDLE handle = HandleValue(value);
            DWORD flags = 0;
            char text[96];
            int n = snprintf(text, sizeof text, "handle %s: %s", value,
                             GetHandleInformation(handle, &flags) ? "present" : "absent");
            Put(STD_OUTPUT_HANDLE, text, static_cast<size_t>(n));
            ++i;
        } else if (!strcmp(step, "-i")) {
            char buf[4096];
            DWORD n = 0;
            unsigned long long total = 0;
            while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &n, nullptr) && n > 0) total += n;
            Say("input=%llu", total);
        } else if (!strcmp(step, "-p")) {
            Say("pid=%llu", GetCurrentProcessId());
        } else if (!strcmp(step, "-g")) {
            char args[64];
            snprintf(args, sizeof args, "-s %s 0", value);
            DWORD pid = StartSelf(args);
            if (!pid) return 5;
            Say("grandchild=%llu", pid);
            ++i;
        } else if (!strcmp(step, "-b")) {
            char args[64];
            snprintf(args, sizeof args, "-s %s 0", value);
            DWORD pid = StartSelf(args, CREATE_BREAKAWAY_FROM_JOB);
            if (pid) Say("breakaway=%llu", pid);
            else Say("breakaway refused=%llu", GetLastError());
            ++i;
        } else if (!strcmp(step, "-w")) {
            SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
            HANDLE event = CreateEventA(&inherit, TRUE, FALSE, nullptr);
            char args[96];
            snprintf(args, sizeof args, "-k %llu -f %s 0", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(event)), value);
            DWORD pid = StartSelf(args);
            if (!event || !pid || WaitForSingleObject(event, 60000) != WAIT_OBJECT_0) return 5;
            CloseHandle(event);
            Say("grandchild=%llu", pid);
            ++i;
        } else if (!strcmp(step, "-k")) {
            written = HandleValue(value);
            ++i;
        } else if (!strcmp(step, "-f")) {
            // Three writers, so that the pipe is never found empty.
            memset(dots, '.', sizeof dots);
            floodUntil = GetTickCount() + strtoul(value, nullptr, 10);
            HANDLE writers[3];
            for (HANDLE& writer : writers) writer = CreateThread(nullptr, 0, Flood, nullptr, 0, nullptr);
            WaitForMultipleObjects(3, writers, TRUE, INFINITE);
            ++i;
        } else if (!strcmp(step, "-t")) {
            target = CreateFileA(value, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (target == INVALID_HANDLE_VALUE) return 3;
            ++i;
        } else {
            return 2;
        }
    }
    if (target) CloseHandle(target);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (argv[1][0] == '-' && argv[1][1] && (argv[1][1] < '0' || argv[1][1] > '9')) {
        int failed = Steps(argc, argv);
        if (failed) return failed;
        ExitProcess(static_cast<UINT>(strtoll(argv[argc - 1], nullptr, 10)));
    }
    UINT code = static_cast<UINT>(strtoll(argv[1], nullptr, 10));
    if (argc >= 3) {
        STARTUPINFOA startup;
        GetStartupInfoA(&startup);
        char env[1024] = "", cwd[MAX_PATH] = "";
        if (argc >= 4) GetEnvironmentVariableA(argv[3], env, sizeof env);
        GetCurrentDirectoryA(sizeof cwd, cwd);
        FILE* report = fopen(argv[2], "wb");
        if (!report) return 3;
        fprintf(report, "flags=%lu\nshow=%u\nenv=%s\ncwd=%s\n", startup.dwFlags, startup.wShowWindow, env, cwd);
        fclose(report);
    }
    ExitProcess(code);
}
