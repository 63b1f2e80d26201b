// Shared, immutable texts.
//
// A string is a handle to a reference-counted character buffer: copies share
// the buffer and every change builds a new one, so copies never see each
// other's edits. The default value has no buffer (c_str() is null); a string
// made from "" or from a null C string has a buffer holding just the
// terminator. Both count as empty.
//
// keystring compares without regard to case by the system's rules
// (lstrcmpiA); string compares exactly (lstrcmpA). widestring is the same
// design over UTF-16 text.
#pragma once

#include <windows.h>
#include <string.h>
#include <wchar.h>

#include "refs.h"

// Lengths of null pointers are 0.
inline size_t Length(const char* s) { return s ? strlen(s) : 0; }
inline size_t Length(const wchar_t* s) { return s ? wcslen(s) : 0; }
// The non-empty test: a pointer that is not null and a first character that is not zero.
inline bool NotEmpty(const char* s) { return s && *s; }
inline bool NotEmpty(const wchar_t* s) { return s && *s; }

template <class C>
class basic_text : public aref<C> {
public:
    basic_text() {}
    // Shares the buffer of r.
    basic_text(const aref<C>& r) : aref<C>(r) {}
    // Copies s; a null pointer gives an empty text with a buffer.
    basic_text(const C* s) : aref<C>(Copy(s, Length(s))) {}
    // Copies the first n characters of s; a null source gives an empty text.
    basic_text(const C* s, size_t n) : aref<C>(Copy(s, s ? n : 0)) {}

    basic_text& operator=(const C* s) {
        aref<C>::operator=(basic_text(s));
        return *this;
    }

    const C* c_str() const { return this->get(); }
    operator const C*() const { return this->get(); }
    // Pointer into the text, offset characters from its start.
    const C* from(size_t offset) const { return this->get() + offset; }

    size_t length() const { return Length(this->get()); }
    bool empty() const { return !NotEmpty(this->get()); }

    // A null right-hand side shares this buffer unchanged.
    basic_text operator+(const C* right) const {
        if (!right) return *this;
        size_t l = length(), r = Length(right);
        C* buf = new C[l + r + 1];
        if (l) memcpy(buf, this->get(), l * sizeof(C));
        memcpy(buf + l, right, (r + 1) * sizeof(C));
        return Adopt(buf);
    }
    basic_text& operator+=(const C* right) { return *this = *this + right; }

    // Makes a text that takes over a buffer allocated with new[].
    static basic_text Adopt(C* buffer) {
        basic_text t;
        t.aref<C>::operator=(aref<C>(buffer));
        return t;
    }

private:
    static C* Copy(const C* s, size_t n) {
        C* buf = new C[n + 1];
        if (n) memcpy(buf, s, n * sizeof(C));
        buf[n] = 0;
        return buf;
    }
};

class string : public basic_text<char> {
public:
    using basic_text<char>::basic_text;
    string() {}
    string(const basic_text<char>& t) : basic_text<char>(t) {}
    // The whole text of a window, read now.
    explicit string(HWND window);

    using basic_text<char>::operator=;
    string operator+(const char* right) const { return basic_text<char>::operator+(right); }
    string& operator+=(const char* right) { return *this = *this + right; }

    // Exact comparison (lstrcmpA); two empty texts are equal.
    bool operator==(const char* other) const { return Compare(c_str(), other) == 0; }
    bool operator!=(const char* other) const { return !(*this == other); }
    static int Compare(const char* a, const char* b) { return lstrcmpA(a ? a : "", b ? b : ""); }
};

inline string::string(HWND window) {
    int n = GetWindowTextLengthA(window);
    char* buf = new char[n + 1];
    buf[0] = 0;
    GetWindowTextA(window, buf, n + 1);
    *this = Adopt(buf);
}

// Case-insensitive order shared by keystring and widestring.
inline int CompareNoCase(const char* a, const char* b) { return lstrcmpiA(a, b); }
inline int CompareNoCase(const wchar_t* a, const wchar_t* b) { return lstrcmpiW(a, b); }

// True when every character of s is printable ASCII (blank to tilde).
template <class C>
inline bool PrintableAscii(const C* s) {
    for (; *s; ++s)
        if (static_cast<unsigned>(*s) - 0x20u > 0x5Eu) return false;
    return true;
}

// Equality by the system's case-insensitive rule, decided without asking
// the system where both texts are printable ASCII: such texts are equal
// exactly when they match letter for letter, case ignored. 1 equal,
// 0 different, -1 for the system to decide.
template <class C>
inline int AsciiEqualNoCase(const C* a, const C* b) {
    for (;; ++a, ++b) {
        unsigned ca = static_cast<unsigned>(*a), cb = static_cast<unsigned>(*b);
        if (ca - 0x20u > 0x5Eu || cb - 0x20u > 0x5Eu) break;  // an end, or not printable
        if (ca - 'A' < 26u) ca += 'a' - 'A';
        if (cb - 'A' < 26u) cb += 'a' - 'A';
        if (ca != cb) break;
    }
    if (!*a && !*b) return 1;
    return PrintableAscii(a) && PrintableAscii(b) ? 0 : -1;
}

// Name comparisons that ignore case. An empty value equals only another
// empty value; it is never greater, and any non-empty value is greater than it.
template <class Base, class C>
class key_text : public Base {
public:
    using Base::Base;
    key_text() {}
    key_text(const Base& t) : Base(t) {}

    bool operator==(const C* other) const { return Equal(this->get(), other); }
    bool operator!=(const C* other) const { return !Equal(this->get(), other); }
    bool operator==(const key_text& other) const { return Equal(this->get(), other.get()); }
    bool operator!=(const key_text& other) const { return !Equal(this->get(), other.get()); }
    bool operator>(const key_text& other) const { return Greater(this->get(), other.get()); }
    bool operator<(const key_text& other) const { return Greater(other.get(), this->get()); }

    static bool Equal(const C* a, const C* b) {
        bool ea = !NotEmpty(a), eb = !NotEmpty(b);
        if (ea || eb) return ea && eb;
        int ascii = AsciiEqualNoCase(a, b);
        return ascii >= 0 ? ascii == 1 : CompareNoCase(a, b) == 0;
    }
    static bool Greater(const C* a, const C* b) {
        if (!NotEmpty(a)) return false;
        if (!NotEmpty(b)) return true;
        return CompareNoCase(a, b) > 0;
    }
    // Three-way order: 1 greater, 0 equal, -1 otherwise; one comparison by
    // the system.
    static int Order(const C* a, const C* b) {
        bool ea = !NotEmpty(a), eb = !NotEmpty(b);
        if (ea || eb) return ea ? (eb ? 0 : -1) : 1;
        int c = CompareNoCase(a, b);
        return c > 0 ? 1 : c == 0 ? 0 : -1;
    }
    // Sort callback over two pointers to element pointers.
    static int Compare(const void* a, const void* b) {
        const key_text* ka = *static_cast<const key_text* const*>(a);
        const key_text* kb = *static_cast<const key_text* const*>(b);
        return Order(ka->get(), kb->get());
    }
};

class keystring : public key_text<string, char> {
public:
    using key_text<string, char>::key_text;
    keystring() {}
    keystring(const string& s) : key_text<string, char>(s) {}
    using key_text<string, char>::operator=;
};

class widestring : public key_text<basic_text<wchar_t>, wchar_t> {
public:
    using key_text<basic_text<wchar_t>, wchar_t>::key_text;
    widestring() {}
    widestring(const basic_text<wchar_t>& t) : key_text<basic_text<wchar_t>, wchar_t>(t) {}
};
