// Shared by the command tests: an extender driven through IDispatch on a
// fresh host session, a scratch folder removed afterwards, and small file
// and text helpers.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include <HostSession.h>
#include <SessionExtender.h>

#include "session/dispatch.h"

// Deletes a folder with everything below it.
void RemoveTree(const std::string& folder);
// The whole content of a file; "<missing>" when it cannot be read.
std::string ReadWhole(const std::string& name);
void WriteWhole(const std::string& name, const std::string& bytes);
bool Exists(const std::string& name);
// The test executable's folder, with a closing backslash.
std::string ExeFolder();
// Narrow (ANSI code page) to wide and back.
std::wstring Wide(const std::string& text);
std::string Narrow(const wchar_t* text);

// A scratch folder below %TEMP%, made for the test and removed with it.
struct Scratch {
    Scratch();
    ~Scratch();
    std::string operator+(const char* name) const { return folder + name; }
    std::string folder;  // ends in a backslash
};

struct CommandTest : ::testing::Test {
    // First, so that it goes last: the extender keeps its log file open
    // until it goes, and an open file keeps its folder.
    Scratch scratch;
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
