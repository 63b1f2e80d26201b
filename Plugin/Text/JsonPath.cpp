#include "Text/JsonPath.h"

#include <windows.h>

bool JsonPath::AddName(const wchar_t* name, size_t length) {
    Step step{false, 0, names_.Size(), 0};
    if (length) {
        int size = WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        if (size <= 0) return false;
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length), names_.Room(size), size, nullptr, nullptr);
        names_.Grow(size);
        step.length = size;
    }
    // A closing zero keeps Name's text valid for an empty name too.
    names_.Append("", 1);
    steps_.Append(&step, 1);
    return true;
}

bool JsonPath::Parse(const wchar_t* text, size_t length) {
    steps_.Clear();
    names_.Clear();
    const wchar_t* p = text;
    const wchar_t* end = text + length;
    if (length > 0x7FFFFFFF) return false;
    bool first = true;
    while (p < end) {
        if (*p == L'[') {
            ++p;
            if (p < end && *p == L'"') {
                // A quoted name: \" and \\ are its only escapes.
                ++p;
                Buffer<wchar_t> name;
                for (;;) {
                    if (p == end) return false;
                    wchar_t c = *p++;
                    if (c == L'"') break;
                    if (c == L'\\') {
                        if (p == end || (*p != L'"' && *p != L'\\')) return false;
                        c = *p++;
                    }
                    name.Append(&c, 1);
                }
                if (p == end || *p != L']') return false;
                ++p;
                if (!AddName(name.Data(), name.Size())) return false;
            } else {
                // An index: decimal digits, no sign, below 2^31.
                size_t number = 0, digits = 0;
                while (p < end && *p >= L'0' && *p <= L'9') {
                    number = number * 10 + (*p++ - L'0');
                    if (++digits > 9) return false;
                }
                if (!digits || p == end || *p != L']') return false;
                ++p;
                Step step{true, number, 0, 0};
                steps_.Append(&step, 1);
            }
        } else {
            // A name without quotes, after a dot (or first): one character
            // at least, none of . [ ].
            if (!first) {
                if (*p != L'.') return false;
                ++p;
            }
            const wchar_t* start = p;
            while (p < end && *p != L'.' && *p != L'[' && *p != L']') ++p;
            if (p == start) return false;
            if (!AddName(start, p - start)) return false;
        }
        first = false;
    }
    return true;
}
