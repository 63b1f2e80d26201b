#include "Log/Utf8Text.h"

#include <stdlib.h>
#include <wchar.h>

unsigned CodePoint(const wchar_t* text, size_t length, size_t i, size_t& units) {
    unsigned c = static_cast<unsigned short>(text[i]);
    units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
        unsigned low = static_cast<unsigned short>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            units = 2;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    if (c >= 0xD800 && c <= 0xDFFF) return 0xFFFD;
    return c;
}

void AppendUtf8(Buffer<char>& out, unsigned c) {
    char bytes[4];
    size_t n = Utf8Size(c);
    if (n == 1) {
        bytes[0] = static_cast<char>(c);
    } else {
        for (size_t k = n - 1; k > 0; --k, c >>= 6) bytes[k] = static_cast<char>(0x80 | (c & 0x3F));
        static const unsigned char lead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
        bytes[0] = static_cast<char>(lead[n] | c);
    }
    out.Append(bytes, n);
}

void AppendUtf8Text(Buffer<char>& out, const wchar_t* text, size_t length) {
    for (size_t i = 0, units = 0; i < length; i += units) AppendUtf8(out, CodePoint(text, length, i, units));
}

namespace {

// How many units of text make the longest run of whole characters of at
// most limit UTF-8 bytes, and the UTF-8 bytes of that run and of the whole
// text.
size_t KeptUnits(const wchar_t* text, size_t length, unsigned long long limit, unsigned long long& keptBytes,
                 unsigned long long& total) {
    size_t kept = length;
    keptBytes = total = 0;
    for (size_t i = 0, units = 0; i < length; i += units) {
        size_t bytes = Utf8Size(CodePoint(text, length, i, units));
        if (kept == length && total + bytes > limit) {
            kept = i;
            keptBytes = total;
        }
        total += bytes;
    }
    if (kept == length) keptBytes = total;
    return kept;
}

const wchar_t kTail[] = L"\r\n...";
const size_t kTailBytes = 5;

}  // namespace

void LimitUtf8Text(Buffer<wchar_t>& out, const wchar_t* text, size_t length, unsigned long long limit,
                   unsigned long long room) {
    unsigned long long keptBytes = 0, total = 0;
    size_t kept = KeptUnits(text, length, limit, keptBytes, total);
    if (length == 0 || (total < limit && total <= room)) {
        out.Append(text, length);
        return;
    }
    wchar_t head[40] = L"[";
    _ui64tow(total, head + 1, 10);
    size_t digits = wcslen(head) - 1;
    wcscat(head, L" байт]\r\n");
    // "[", the digits, " байт]" (a blank, four two-byte letters, "]"), CR LF.
    unsigned long long marks = 1 + digits + 1 + 8 + 1 + 2 + kTailBytes;
    if (total < limit || marks + keptBytes > room) {
        unsigned long long fits = room > marks ? room - marks : 0;
        kept = KeptUnits(text, length, fits < limit ? fits : limit, keptBytes, total);
    }
    out.Append(head, wcslen(head));
    out.Append(text, kept);
    out.Append(kTail, kTailBytes);
}
