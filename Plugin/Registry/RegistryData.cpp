#include "Registry/RegistryData.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

// Up to the first zero of at most count units.
static size_t TextLength(const wchar_t* text, size_t count) {
    size_t n = 0;
    while (n < count && text[n]) ++n;
    return n;
}

static const struct {
    const char* name;
    DWORD type;
    bool written;  // one the commands write
} types[] = {
    {"REG_NONE", REG_NONE, false},
    {"REG_SZ", REG_SZ, true},
    {"REG_EXPAND_SZ", REG_EXPAND_SZ, true},
    {"REG_BINARY", REG_BINARY, true},
    {"REG_DWORD", REG_DWORD, true},
    {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, false},
    {"REG_LINK", REG_LINK, false},
    {"REG_MULTI_SZ", REG_MULTI_SZ, true},
    {"REG_RESOURCE_LIST", REG_RESOURCE_LIST, false},
    {"REG_FULL_RESOURCE_DESCRIPTOR", REG_FULL_RESOURCE_DESCRIPTOR, false},
    {"REG_RESOURCE_REQUIREMENTS_LIST", REG_RESOURCE_REQUIREMENTS_LIST, false},
    {"REG_QWORD", REG_QWORD, true},
};

bool ParseRegistryType(const wchar_t* name, DWORD& type) {
    if (!*name) {
        type = REG_SZ;
        return true;
    }
    for (const auto& known : types) {
        if (!known.written) continue;
        size_t n = strlen(known.name), k = 0;
        for (; k < n && (name[k] >= L'a' && name[k] <= L'z' ? name[k] - 32 : name[k]) == known.name[k]; ++k) {
        }
        if (k == n && !name[n]) {
            type = known.type;
            return true;
        }
    }
    return false;
}

const char* RegistryTypeName(DWORD type, char (&number)[12]) {
    for (const auto& known : types)
        if (known.type == type) return known.name;
    snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(type));
    return number;
}

static int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// A number of bits bits: decimal digits, or 0x and hexadecimal ones.
static bool Number(const wchar_t* text, size_t length, unsigned bits, unsigned long long& value) {
    unsigned long long limit = bits == 64 ? ~0ULL : (1ULL << bits) - 1;
    value = 0;
    bool hex = length > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    size_t k = hex ? 2 : 0;
    if (k == length) return false;
    unsigned base = hex ? 16 : 10;
    for (; k < length; ++k) {
        int digit = HexDigit(text[k]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        if (value > (limit - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

bool RegistryDataOf(DWORD type, const wchar_t* text, size_t length, Buffer<BYTE>& data) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        data.Append(reinterpret_cast<const BYTE*>(text), length * sizeof(wchar_t));
        data.Append(reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
        return true;
    case REG_DWORD:
    case REG_QWORD: {
        unsigned long long value;
        if (!Number(text, length, type == REG_DWORD ? 32 : 64, value)) return false;
        // Little-endian, as the system keeps both.
        for (unsigned k = 0; k < (type == REG_DWORD ? 4u : 8u); ++k) {
            BYTE b = static_cast<BYTE>(value >> (8 * k));
            data.Append(&b, 1);
        }
        return true;
    }
    case REG_MULTI_SZ: {
        size_t start = 0, strings = 0;
        for (size_t k = 0; k <= length; ++k) {
            if (k < length && text[k] != L'\n') continue;
            size_t end = k > start && text[k - 1] == L'\r' && k < length ? k - 1 : k;
            if (end > start) {
                data.Append(reinterpret_cast<const BYTE*>(text + start), (end - start) * sizeof(wchar_t));
                data.Append(reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
                ++strings;
            }
            start = k + 1;
        }
        if (!strings) data.Append(reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
        data.Append(reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
        return true;
    }
    case REG_BINARY: {
        for (size_t k = 0; k < length;) {
            if (text[k] == L' ' || text[k] == L'\t') {
                ++k;
                continue;
            }
            if (k + 1 >= length) return false;
            int high = HexDigit(text[k]), low = HexDigit(text[k + 1]);
            if (high < 0 || low < 0) return false;
            BYTE b = static_cast<BYTE>(high * 16 + low);
            data.Append(&b, 1);
            k += 2;
        }
        return true;
    }
    }
    return false;
}

void RegistryTextOf(DWORD type, const BYTE* data, size_t size, Buffer<wchar_t>& text) {
    const wchar_t* chars = reinterpret_cast<const wchar_t*>(data);
    size_t count = size / sizeof(wchar_t);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // To the first zero: the one that ends the text, if it has one.
        text.Append(chars, TextLength(chars, count));
        return;
    }
    if (type == REG_MULTI_SZ) {
        // The strings up to the empty one that ends the list.
        for (size_t k = 0; k < count;) {
            size_t n = TextLength(chars + k, count - k);
            if (!n) break;
            if (k) text.Append(L"\r\n", 2);
            text.Append(chars + k, n);
            k += n + 1;
        }
        return;
    }
    if ((type == REG_DWORD && size == 4) || (type == REG_QWORD && size == 8)) {
        unsigned long long value = 0;
        for (size_t k = size; k-- > 0;) value = value << 8 | data[k];
        wchar_t digits[24];
        _ui64tow(value, digits, 10);
        text.Append(digits, wcslen(digits));
        return;
    }
    static const wchar_t digits[] = L"0123456789ABCDEF";
    for (size_t k = 0; k < size; ++k) {
        wchar_t pair[3] = {L' ', digits[data[k] >> 4], digits[data[k] & 15]};
        text.Append(k ? pair : pair + 1, k ? 3 : 2);
    }
}
