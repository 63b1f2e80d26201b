#include "AnsiText.h"

#include <windows.h>

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
    return w;
}

std::string Narrow(const wchar_t* text) {
    if (!text) return "<null>";
    int length = static_cast<int>(wcslen(text));
    int n = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &s[0], n, nullptr, nullptr);
    return s;
}
