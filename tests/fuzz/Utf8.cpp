#include "Utf8.h"

#include <windows.h>

#include <stdio.h>

std::string Utf8(const wchar_t* text, size_t length) {
    if (!length) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Utf8(const std::wstring& text) { return Utf8(text.data(), text.size()); }

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string Printable(const std::wstring& text, size_t limit) {
    std::string out;
    size_t shown = text.size() > limit ? limit : text.size();
    if (shown < text.size()) out = "<" + std::to_string(text.size()) + " characters> ";
    out += "\"";
    std::wstring plain;
    auto flush = [&] {
        out += Utf8(plain);
        plain.clear();
    };
    for (size_t i = 0; i < shown; ++i) {
        wchar_t c = text[i];
        char escape[16] = "";
        bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        bool paired = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        bool pairedLow = low && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
        if (c == L'\r') snprintf(escape, sizeof escape, "\\r");
        else if (c == L'\n') snprintf(escape, sizeof escape, "\\n");
        else if (c == L'\t') snprintf(escape, sizeof escape, "\\t");
        else if (c < 0x20 || c == 0x7F) snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
        else if ((high && !paired) || (low && !pairedLow))
            snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
        if (!escape[0]) {
            plain += c;
            continue;
        }
        flush();
        out += escape;
    }
    flush();
    out += shown < text.size() ? "...\"" : "\"";
    return out;
}
