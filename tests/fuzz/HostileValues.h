// The values the fuzzer gives the commands' properties: for each kind of
// property a pool of named kinds of value, sensible ones among the hostile
// (empty, 64 KiB and 16 MiB texts, control characters, lone surrogates,
// device names, "\\?\", "\\.\" and UNC forms, "%" storms, numbers at and
// past every limit). A kind's name ("64k", "ctl", "device-aux") is what the
// exclusions and the summary name.
//
// File names always lie in the run's scratch folder (below the data folder,
// where relative names land), in one of its forms, or name a device: no
// value can name a file elsewhere, and none holds "..", so nothing outside
// the scratch folder is written, moved or deleted. URLs aim at 127.0.0.1
// only: no name is looked up (under Wine, WinHTTP takes "http://[::1]:80/"
// apart as the host "[", which it would look up, so there is no IPv6
// form); Execute runs only harmless programs.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "FuzzRandom.h"

using Text = std::shared_ptr<const std::wstring>;

// What a run knows when it draws values: where its scratch folder is, where
// the programs it starts lie, the ports of its web server.
struct FuzzContext {
    std::wstring scratch;      // full name, with its closing backslash
    std::wstring scratchName;  // its name alone: relative to the data folder
    std::wstring exeFolder;    // this program's folder, with its closing backslash
    unsigned port = 0;         // the local web server's
    unsigned closedPort = 0;   // a port on which nothing listens
};

// The variable that names the scratch folder (without its closing
// backslash) in the fuzzer's environment; aRvik.PutEnv never sets it.
extern const wchar_t kScratchVariable[];

// One value drawn: its text and its kind. A file name also has the place in
// the scratch folder it names (relative, "" for the folder itself), when it
// names one there that fixtures can prepare ("plain").
struct Drawn {
    Drawn() = default;
    Drawn(Text text, std::string kind) : text(std::move(text)), kind(std::move(kind)) {}

    Text text;
    std::string kind;
    bool plain = false;
    std::wstring place;
};

Text MakeText(std::wstring text);

// The pools, one per kind of property.
enum class Pool {
    LogText,      // aRvik.LogText
    PropName,     // aRvik.Name of SetProp
    GetEnvName,   // aRvik.Name of GetEnv
    PutEnvName,   // aRvik.Name of PutEnv
    AnyText,      // aRvik.Value, aRvik.FileText, aRvik.Body
    Switch,       // aRvik.Wait, aRvik.Hide, aRvik.Capture, aRvik.Kill
    Number,       // aRvik.Timeout
    CaptureEncoding,
    FileEncoding,
    WriteMode,    // aRvik.FileMode of FileWrite
    TransferMode, // aRvik.FileMode of FileCopy and FileMove
    Method,
    Headers,
    Folder,       // aRvik.Dir
    HashAlgorithm,
    JsonText,
    JsonPath,
    RegKey,       // keys below HKCU\Software\aRvikFuzzRegistry only, or refused ones
    RegValue,     // aRvik.RegValue, a value's name
    RegView,
    RegType,
    RegData,      // aRvik.Value of RegWrite: no text of many MiB
    FileSort,     // aRvik.FileSort of FileList
    IniName,      // aRvik.IniSection, aRvik.IniKey
    ProcessMask,  // aRvik.Name of ProcessList
    ProcessName,  // aRvik.Name of ProcessEnd: never a program that runs
};

// The registry key below which the fuzzer's registry commands work (in
// HKEY_CURRENT_USER, both views), removed at the run's end.
extern const wchar_t kFuzzRegistryKey[];

// calm draws a sensible value only (valid words and numbers, a plain name
// in the scratch folder, a request the server answers, a program that
// ends): a call with all its arguments calm but one reaches past the
// argument checks.
Drawn DrawValue(Pool pool, FuzzRandom& random, const FuzzContext& context, bool calm = false);

// Makes the long texts the pools hold (they are made once, when first
// drawn), so that a run's figures after its warm-up already count them.
void PrepareTexts(const FuzzContext& context);

// A file name: a place in the scratch folder in one of the folder's forms,
// a device, or a hostile text alone (only where writable is false: such a
// relative name lands in the data folder, where nothing may be made).
Drawn DrawFileName(FuzzRandom& random, const FuzzContext& context, bool writable, bool calm = false);
// The same place as name (a plain one) in another form of the scratch
// folder, for targets that are the source itself.
Drawn SameFileOtherForm(const Drawn& name, FuzzRandom& random, const FuzzContext& context);

// A harmless command line: "cmd /c exit N", an echo, the test child that
// writes and sleeps briefly, a missing program, a folder, a document.
// longest gets how long the program may run, in milliseconds.
Drawn DrawCommand(FuzzRandom& random, const FuzzContext& context, unsigned& longest, bool calm = false);

// A URL aimed at the local server, a closed port or an odd form of the
// loopback address; stalls is true when the server may hold the request
// unanswered (drawn only when mayStall).
Drawn DrawUrl(FuzzRandom& random, const FuzzContext& context, bool mayStall, bool& stalls, bool calm = false);

// A time limit for aRvik.Timeout; known is the milliseconds the command
// will read it as, or -1 when it fails or may not say (a kind the fuzzer
// does not predict).
Drawn DrawTimeout(FuzzRandom& random, const FuzzContext& context, long long& known, bool calm = false);

// The text of a process id in one of its forms, "{pid}" standing for the
// number; a hostile text without it now and then.
Drawn DrawProcessIdForm(FuzzRandom& random, const FuzzContext& context, bool calm = false);
