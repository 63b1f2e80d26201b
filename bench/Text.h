// Small text helpers of the benchmark: an owned BSTR, and narrow (ANSI code
// page) to wide from the tests' support library.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "common/AnsiText.h"

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), UINT(text.size()))) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_;
};
