// FuzzCall: one call of the fuzzer, drawn from its seed alone: the command,
// a value for each of its arguments, and what is made ready before it (the
// files its names name, the process it awaits, the log's settings), so
// that replaying the seed makes the same call with the same files around
// it. limit is how long it may take before it counts as hung: its own time
// limit, what it waits for, and a margin for a busy machine.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "FuzzCommands.h"
#include "HostileValues.h"

struct Exclusion;

// What a file's place holds before the call.
enum class FileState {
    Missing, Empty, Ansi, Utf8Bom, Utf16, Utf16BigEndian, Utf16Odd, BadUtf8, Binary, Large, OverLimit,
    Folder, FullFolder, ReadOnly,
};
const char* StateName(FileState state);

struct Argument {
    const wchar_t* property;
    Drawn value;
};

struct FilePrep {
    std::wstring place;  // relative to the scratch folder
    FileState state;
};

// The process aRvik.Await is given: "{pid}" in aRvik.ProcessId stands for
// its id.
enum class AwaitTarget { None, KeptChild, OwnChild, Self, NoProcess, Zero };

// The script log's settings a LogWrite runs with: indexes into the tables
// of LogPatterns and MaxLogTexts; -1 leaves them.
struct LogSettings {
    int pattern = -1;
    int maxText = -1;
};

struct FuzzCall {
    uint64_t seed = 0;
    Command command = Command::LogWrite;
    std::vector<Argument> arguments;
    std::vector<FilePrep> files;
    AwaitTarget target = AwaitTarget::None;
    unsigned childSleep = 0;     // milliseconds, the awaited child's
    DWORD noProcessId = 0;       // for NoProcess
    LogSettings log;
    DWORD limit = 0;             // milliseconds
    // Values drawn that an exclusion covers, drawn again; the first one's
    // exclusion (the call of this seed with --all has that value).
    unsigned redrawn = 0;
    const Exclusion* excluded = nullptr;
};

// The margin every call gets above what it waits for.
const DWORD kCallMargin = 60000;

// Draws the call of seed; excluded values (Exclusions.h) are drawn again
// unless all is true.
FuzzCall DrawCall(uint64_t seed, const FuzzContext& context, bool all);

// The call's command, arguments and preparations, one a line, each line
// beginning with indent.
std::string Describe(const FuzzCall& call, const char* indent = "  ");

// The log patterns and "Max LogText" values LogWrite draws among, for the
// fixtures: a pattern's text has "{scratch}" for the scratch folder.
struct LogPattern {
    const char* kind;
    const wchar_t* text;
};
const std::vector<LogPattern>& LogPatterns();
struct MaxLogText {
    const char* kind;
    DWORD type;  // REG_NONE: removed
    const char* text;
    DWORD number;
};
const std::vector<MaxLogText>& MaxLogTexts();
