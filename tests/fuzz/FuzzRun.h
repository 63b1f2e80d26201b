// A run of the fuzzer: the plug-in warmed up (its caches and the programs
// it keeps filled, then a tenth of the calls), the figures that show a
// leak taken, the calls made and checked one by one, the figures taken
// again; every finding printed with the line that replays its call, and a
// summary at the end. A replay makes one call alone and prints the
// properties before and after it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct RunSettings {
    uint64_t calls = 0;
    uint64_t seed = 0;
    bool all = false;          // the excluded values too
    bool trace = false;        // a line for every call: its seed, command and outcome
    std::string texts;         // docs/failures.md, as copied beside the program
};

struct RunReport {
    uint64_t calls = 0, failures = 0, findings = 0;
    double seconds = 0;
    long long slotGrowth = 0;    // handles: the next free slot's rise, in handles
    long long handleGrowth = 0;  // GetProcessHandleCount's rise (0 under Wine)
    long long memoryGrowth = 0;  // bytes of committed private memory
    bool leaked = false;
    std::string why;             // when the run could not start
};

// The handles and the memory a run may leave above its figures after the
// warm-up, and why (FuzzRun.cpp).
extern const long long kHandleTolerance;
extern const long long kMemoryTolerance;

// Prints as it goes; false when the run could not start or found
// something (a finding, or a leak).
bool RunFuzz(const RunSettings& settings, RunReport& report);

// Makes the call of seed alone; 0 when it passed its checks, 1 when not,
// 2 when it could not run.
int ReplayCall(uint64_t seed, bool all, const std::string& texts);

// The docs' failure texts beside this program.
std::string TextsBesideProgram();
