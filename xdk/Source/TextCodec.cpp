#include <TextCodec.h>

#include <stdlib.h>
#include <string.h>

#include <CodePageTable.h>
#include <checks.h>
#include <exceptions.h>

namespace TAXDK {
namespace Standard {

// The conversions take int counts: texts beyond that are refused here, far
// beyond what a session holds.
static int Count(size_t n) {
    if (n > 0x3FFFFFFF) throw KLAppException("Текст слишком длинный");
    return static_cast<int>(n);
}

// True when every character of code page is one byte.
static bool SingleByte(UINT page) {
    CPINFO info;
    return GetCPInfo(page, &info) && info.MaxCharSize == 1;
}

// A new BSTR of length units in out.
static BSTR NewText(size_t length, CoString& out) {
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(Count(length)));
    if (!text) THROW_WIN32(ERROR_NOT_ENOUGH_MEMORY);
    *out.Out() = text;
    return text;
}

void CodePageText(UINT page, const char* bytes, size_t size, CoString& out) {
    // One byte per character: as many characters as bytes, converted in one
    // pass without measuring; the ANSI and OEM pages through their tables.
    const CodePageTable* table = page != CP_UTF8 ? CodePageTable::For(page) : nullptr;
    int n = 0;
    if (size)
        n = table || (page != CP_UTF8 && SingleByte(page))
                ? Count(size)
                : MultiByteToWideChar(page, 0, bytes, Count(size), nullptr, 0);
    THROW_LAST_ERROR_IF(size && n <= 0);
    BSTR text = NewText(static_cast<size_t>(n), out);
    if (table)
        table->Widen(bytes, size, text);
    else if (n)
        MultiByteToWideChar(page, 0, bytes, Count(size), text, n);
}

// length units of text (1 or more) converted with flags, appended to out.
static void AppendBytes(UINT page, DWORD flags, const wchar_t* text, size_t length, Buffer<char>& out) {
    int n = WideCharToMultiByte(page, flags, text, Count(length), nullptr, 0, nullptr, nullptr);
    THROW_LAST_ERROR_IF(n <= 0);
    n = WideCharToMultiByte(page, flags, text, Count(length), out.Room(static_cast<size_t>(n)), n, nullptr, nullptr);
    THROW_LAST_ERROR_IF(n <= 0);
    out.Grow(static_cast<size_t>(n));
}

void CodePageBytes(UINT page, const wchar_t* text, size_t length, bool exact, Buffer<char>& out) {
    if (!length) return;
    // A UTF-8 page takes no such flag: it lacks no character.
    bool utf8 = page == CP_UTF8 || ((page == CP_ACP || page == GetACP()) && GetACP() == CP_UTF8);
    if (!exact || utf8) return AppendBytes(page, 0, text, length, out);
    // The system gives a "?" for each half of a surrogate pair: a character
    // beyond the 16-bit range is one "?" here, as any other the page lacks.
    size_t start = 0;
    for (size_t i = 0; i + 1 < length; ++i) {
        if (text[i] < 0xD800 || text[i] > 0xDBFF || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) continue;
        if (i > start) AppendBytes(page, WC_NO_BEST_FIT_CHARS, text + start, i - start, out);
        out.Append("?", 1);
        start = ++i + 1;
    }
    if (start < length) AppendBytes(page, WC_NO_BEST_FIT_CHARS, text + start, length - start, out);
}

void Utf16Text(const char* bytes, size_t size, bool bigEndian, CoString& out) {
    size_t n = size / 2, odd = size % 2;
    BSTR text = NewText(n + odd, out);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < n; ++i, p += 2)
        text[i] = static_cast<wchar_t>(bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
    if (odd) text[n] = 0xFFFD;
}

void Utf16Bytes(const wchar_t* text, size_t length, bool bigEndian, Buffer<char>& out) {
    if (!bigEndian) return out.Append(reinterpret_cast<const char*>(text), length * sizeof(wchar_t));
    char* p = out.Room(length * 2);
    for (size_t i = 0; i < length; ++i) {
        *p++ = static_cast<char>(text[i] >> 8);
        *p++ = static_cast<char>(text[i] & 0xFF);
    }
    out.Grow(length * 2);
}

void CutText(unsigned long long total, const char* kept, size_t size, Buffer<char>& out) {
    char digits[24];
    _ui64toa(total, digits, 10);
    static const char unit[] = " байт]\r\n";
    out.Append("[", 1);
    out.Append(digits, strlen(digits));
    out.Append(unit, sizeof unit - 1);
    out.Append(kept, size);
    out.Append("\r\n...", 5);
}

}  // namespace Standard
}  // namespace TAXDK
