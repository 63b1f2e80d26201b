// Small text helpers of the benchmark: an owned BSTR, and narrow (ANSI code
// page) to wide.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

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

inline std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], n);
    return wide;
}
