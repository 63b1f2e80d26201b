// The checks after each call, from what the docs promise:
//   - a failure is DISP_E_EXCEPTION with code 59999 and the source "Kelmir
//     Tallivant", and its text is one of docs/failures.md's for the
//     command, one line (no control character);
//   - a failing command leaves every property as it was, but the results
//     it empties first (and Execute's after its time ran out) and the full
//     names the file commands write back, which must be the name given or
//     its full name; aRvik.Result is empty after a failure of Execute,
//     Await and Http, aRvik.Output after one of Http;
//   - no failure text shows a password;
//   - a command that succeeds has emptied what it clears and written its
//     results in their forms (numbers, "file", a time); a listing holds as
//     many names as its count, each one its mask matches;
//   - a copy or move onto the file itself, named in another form, is
//     refused ("Файл назначения совпадает с исходным").
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "FailureTexts.h"
#include "FuzzCall.h"

// What one call did: the values the properties held before and after it
// (as the plug-in sees them: up to a zero), its result and failure record.
struct CallOutcome {
    HRESULT result = S_OK;
    WORD code = 0;
    std::wstring source, description;
    std::map<std::wstring, std::wstring> before, after;
    double seconds = 0;  // the command's own time, through Invoke
};

struct Finding {
    std::string check;  // which check: "undocumented text", "argument changed", ...
    std::string detail;
};

// The checks for call and its outcome; the pattern matched, when it
// failed, goes to matched. none are findings.
std::vector<Finding> CheckCall(const FuzzCall& call, const CallOutcome& outcome, const FailureTexts& texts,
                               std::string& matched);

// The full name a file command writes back for name: in UTF-16 (the file
// and folder commands) or through the ANSI code page (FileWrite, FileRead).
std::wstring ResolvedName(const std::wstring& name, bool narrow);
