// COM helpers: result checks and wide strings.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <str.h>

// Returns when result succeeded; otherwise throws CoError whose reason names
// the result, module (null: the host executable), source file and line.
void CoCallEx(HRESULT result, HMODULE module, const char* file, int line);

// Owns one wide COM string (BSTR), freed on destruction.
class CoString {
public:
    // Empty: no string, ready to receive one through Out().
    CoString() : s_(nullptr) {}
    // From narrow text in the ANSI code page; null gives no string.
    explicit CoString(const char* text);
    explicit CoString(const wchar_t* text) : s_(text ? SysAllocString(text) : nullptr) {}
    ~CoString() { SysFreeString(s_); }
    CoString(const CoString&) = delete;
    CoString& operator=(const CoString&) = delete;

    operator BSTR() const { return s_; }
    BSTR get() const { return s_; }
    // Frees what is held and gives the slot for an out-parameter.
    BSTR* Out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR Detach() {
        BSTR s = s_;
        s_ = nullptr;
        return s;
    }

private:
    BSTR s_;
};

// A narrow copy (ANSI code page) of wide text, allocated with new[]: the
// caller owns it. Null gives null.
char* newstr(const wchar_t* text);
// A copy of narrow text, allocated with new[]. Null gives null.
char* newstr(const char* text);
