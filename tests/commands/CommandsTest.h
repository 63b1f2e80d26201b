// Shared by the command tests: an extender driven through IDispatch on a
// fresh host session, with a scratch folder removed afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <HostSession.h>
#include <SessionExtender.h>

#include "common/AnsiText.h"
#include "common/Files.h"
#include "common/Scratch.h"
#include "session/dispatch.h"

// Makes the file with bytes as its whole content; a file that cannot be
// made fails the test.
void WriteWhole(const std::string& name, const std::string& bytes);

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
    void Set(const wchar_t* name, const std::string& value) { session->Set(name, Wide(value).c_str()); }
    std::string Get(const wchar_t* name) { return Narrow(session->Value(name)); }
};
