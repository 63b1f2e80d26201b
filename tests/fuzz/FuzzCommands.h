// The commands the fuzzer calls, as docs/commands.md describes them: each
// one's arguments (the properties it reads), those it clears when it
// succeeds, the results a failure may still change, and the heading of its
// texts in docs/failures.md. Operation 8 of the session extender, a new
// session, stands among them as NewSession.
#pragma once

#include <string>
#include <vector>

enum class Command {
    LogWrite, SetProp, GetEnv, PutEnv, Execute, Await, UpdateProps, FileWrite, FileRead,
    FileInfo, FileDelete, FileCopy, FileMove, FileList, Http, FileHash, JsonGet, RegRead, RegWrite, RegDelete,
    RegList, IniRead, IniWrite, IniDelete, ProcessList, ProcessEnd, NewSession,
};

struct CommandInfo {
    Command id;
    const wchar_t* name;   // as passed to operation 11; the heading's for NewSession
    const char* heading;   // of its texts in the section "Every failure text"
    unsigned weight;       // how often it is drawn, of about 100
    std::vector<const wchar_t*> arguments;
    // Emptied by a success (the optional ones are empty when not given).
    std::vector<const wchar_t*> cleared;
    // Results that a failure may change (Execute's after its time ran
    // out, the results emptied first).
    std::vector<const wchar_t*> results;
    // Names written back as full names, also by a failure.
    std::vector<const wchar_t*> names;
    bool narrowNames;  // names resolved in the ANSI code page (none of the file commands)
};

const std::vector<CommandInfo>& Commands();
const CommandInfo& Info(Command command);

// The heading of the texts that every command may give.
extern const char kEveryCommand[];

// Every property the commands read or write: a failing command must leave
// each as it was, but for its results.
const std::vector<const wchar_t*>& TrackedProperties();

// "aRvik.FileWrite"; "operation 8" for NewSession.
std::string CommandName(Command command);
