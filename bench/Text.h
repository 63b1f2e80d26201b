// Small text helpers of the benchmark: the file cases' text, an owned BSTR,
// and narrow (ANSI code page) to wide from the tests' support library.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "common/AnsiText.h"

// Lines of 62 capital letters ending in CR LF, cut to size bytes: the
// file cases' text.
inline std::string Lines(size_t size) {
    std::string text;
    text.reserve(size + 64);
    for (int line = 0; text.size() < size; ++line) {
        for (int i = 0; i < 62; ++i) text += char('A' + (line + i) % 26);
        text += "\r\n";
    }
    text.resize(size);
    return text;
}

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
