// command_fuzz: aRvik.dll driven, as the host drives it, with randomly
// chosen commands and hostile values of their properties
// (tools/fuzz-commands.sh).
//   command_fuzz [--all] [--trace] N [SEED]
//                                      N calls; SEED (decimal or 0x...)
//                                      decides them all, random when not
//                                      given; printed at the start
//   command_fuzz [--all] --replay SEED the call of one seed alone, the
//                                      properties before and after it
//   command_fuzz --serve PID           the run's web server (FuzzServer.h)
//   command_fuzz [GoogleTest options]  the tests of the fuzzer's parts and
//                                      the bounded run that make test runs
// --all draws the values Exclusions.cpp excludes too; --trace prints a line
// for every call (its seed, command, time and outcome). Exit code of a run
// or a replay: 0 when nothing was found, 1 when something was, 2 when it
// could not run; 3 after a hang or a crash (Watchdog.h).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include "FuzzRandom.h"
#include "FuzzRun.h"
#include "FuzzServer.h"

static bool Number(const char* text, uint64_t& value) {
    char* end = nullptr;
    value = strtoull(text, &end, 0);
    return *text && end && !*end;
}

static uint64_t RandomSeed() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    FuzzRandom mix(static_cast<uint64_t>(count.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                   GetTickCount64());
    return mix.Next();
}

int main(int argc, char** argv) {
    // Lines end in "\n" alone, as the shell that runs the fuzzer expects.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 3 && strcmp(argv[1], "--serve") == 0) return ServeFuzzRequests(strtoul(argv[2], nullptr, 10));
    int first = 1;
    bool all = false, trace = false;
    for (; first < argc; ++first) {
        if (strcmp(argv[first], "--all") == 0) all = true;
        else if (strcmp(argv[first], "--trace") == 0) trace = true;
        else break;
    }
    uint64_t value = 0;
    if (argc == first + 2 && strcmp(argv[first], "--replay") == 0) {
        if (!Number(argv[first + 1], value)) {
            fprintf(stderr, "command_fuzz: no seed: %s\n", argv[first + 1]);
            return 2;
        }
        return ReplayCall(value, all, TextsBesideProgram());
    }
    if (argc > first && argc <= first + 2 && Number(argv[first], value)) {
        RunSettings settings;
        settings.calls = value;
        settings.all = all;
        settings.trace = trace;
        settings.texts = TextsBesideProgram();
        settings.seed = RandomSeed();
        if (argc == first + 2 && !Number(argv[first + 1], settings.seed)) {
            fprintf(stderr, "command_fuzz: no seed: %s\n", argv[first + 1]);
            return 2;
        }
        RunReport report;
        bool passed = RunFuzz(settings, report);
        return !report.why.empty() ? 2 : passed ? 0 : 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
