#include <fwbase/Format.h>

#include <locale.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <fwbase/Exception.h>

string FormatBuffer(int size, const char* format, ...) {
    if (size <= 0) return string("");
    char* buf = new char[size];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buf, size, format, args);
    va_end(args);
    if (n < 0) buf[0] = 0;
    return string::Adopt(buf);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Copies the digits at p into out and returns how many there were.
int TakeDigits(const char*& p, char*& out) {
    int n = 0;
    while (IsDigit(*p)) *out++ = *p++, ++n;
    return n;
}

// Reads a whole number text of the given kind; false when it is not one.
bool Parse(int kind, const char* text, bool blanks, double* value) {
    const char* p = text;
    if (blanks)
        while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';

    double v;
    if (kind == 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
        if (HexDigit(*p) < 0) return false;
        v = 0;
        for (int d; (d = HexDigit(*p)) >= 0; ++p) v = v * 16 + d;
    } else {
        // The number is copied with a plain point, in the C runtime's own
        // decimal character, so strtod reads it whatever the locale says.
        char* norm = new char[strlen(p) + 2];
        aptr<char> keep(norm);
        char* out = norm;
        int digits = TakeDigits(p, out);
        if (*p == '.' || (kind == 2 && *p == ',')) {
            ++p;
            *out++ = localeconv()->decimal_point[0];
            digits += TakeDigits(p, out);
        }
        if (digits == 0) return false;
        if (*p == 'e' || *p == 'E') {
            *out++ = *p++;
            if (*p == '+' || *p == '-') *out++ = *p++;
            if (TakeDigits(p, out) == 0) return false;
        }
        *out = 0;
        v = strtod(norm, nullptr);
        if (!isfinite(v)) return false;
    }
    if (blanks)
        while (IsBlank(*p)) ++p;
    if (*p) return false;
    *value = negative ? -v : v;
    return true;
}

[[noreturn]] void Reject(const char* text) {
    throw NumericSyntax(string("Ошибка формата числа: \"") + (text ? text : "") + "\"");
}

}  // namespace

double ScanNumber(int kind, const char* text, int decimals, bool blanks) {
    double v;
    if (!text || !Parse(kind, text, blanks, &v)) Reject(text);
    return v;
}

double ScanNumberEx(int kind, const char* text, int low, int high) {
    double v;
    if (!text || !Parse(kind, text, true, &v)) Reject(text);
    if (low < high && (v < low || v > high)) Reject(text);
    return v;
}

string Format(int kind, double value, int decimals) {
    if (decimals < 0) decimals = 0;
    string s = FormatBuffer(400, "%.*f", decimals, value);
    char* p = const_cast<char*>(s.c_str());  // the buffer is ours alone here
    if (p[0] == '-' && strspn(p + 1, "0.,") == strlen(p + 1)) return string(p + 1);  // no "-0"
    for (; *p; ++p)
        if (*p == '.' || *p == ',') *p = kind == 2 ? ',' : '.';
    return s;
}
