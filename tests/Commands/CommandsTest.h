// Shared by the command tests: an extender driven through IDispatch on a
// fresh host session, with a scratch folder removed afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <HostSession.h>
#include <Objects/SessionExtender.h>

#include "common/AnsiText.h"
#include "common/Files.h"
#include "common/Scratch.h"
#include "common/dispatch.h"

// Makes the file with bytes as its whole content; a file that cannot be
// made fails the test.
void WriteWhole(const std::string& name, const std::string& bytes);

// Whether a failed command's record is Wine's failed process start: error
// 1359, ERROR_INTERNAL_ERROR, at the start's position. Wine gives it when
// the new process went away while it initialised, before it could report a
// status of its own (NtCreateUserProcess then has no other to give). It
// comes about once in thousands of starts on a busy machine, and from
// nothing the plug-in passes: the product reports it as it is, and only the
// tests that start programs by the hundred run such a command once more.
bool WineStartFailed(const EXCEPINFO& record);

// A log file's content as its entries without their time stamps
// ("YYYY-MM-DD HH:MM:SS.mmm "), each with its closing "\r\n". Entries begin
// at the start of a line with a stamp.
std::vector<std::string> Entries(const std::string& content);
// The local date of days ago as the log writes it, "(YYYY-MM-DD)"; today's.
std::string DaysAgo(int days);
inline std::string Today() { return DaysAgo(0); }

struct CommandTest : ::testing::Test {
    // First, so that it goes last: the extender keeps its log file open
    // until it goes, and an open file keeps its folder.
    Scratch scratch{"arvik_commands"};
    co<ITallivantSessionExtender> extender{new Plugin::SessionExtender};
    co<HostSession> session{new HostSession};

    // Runs the command through Invoke; the record, when given, gets the
    // exception record of a failure.
    HRESULT Command(const wchar_t* name, EXCEPINFO* record = nullptr) {
        BSTR text = SysAllocString(name);
        HRESULT hr = Call(extender.get(), L"Command", {ObjectArg(session.get()), TextArg(text)}, record);
        SysFreeString(text);
        return hr;
    }
    // Command, run once more when Wine failed the program's start
    // (WineStartFailed); a failed command keeps its arguments for it.
    HRESULT Starting(const wchar_t* name, Record& record) {
        HRESULT hr = Command(name, &record);
        if (hr == S_OK || !WineStartFailed(record)) return hr;
        record.Reset();
        return Command(name, &record);
    }
    void Set(const wchar_t* name, const std::string& value) { session->Set(name, Wide(value).c_str()); }
    std::string Get(const wchar_t* name) { return Narrow(session->Value(name)); }
};
