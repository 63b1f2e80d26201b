// Wide text to the ANSI code page through a table: AnsiCopy and
// NarrowPieces.
#include <TextCodec.h>

#include <stdint.h>
#include <string.h>

#include <refs.h>

#include "Sse2Text.h"

namespace TAXDK {
namespace Standard {

namespace {

bool IsSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool IsHigh(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The byte the ANSI code page gives each UTF-16 unit outside the surrogates,
// taken from the system's own conversion once: with one byte per character
// and no flags, the system maps each such unit by itself, whatever stands
// around it. Surrogates pair up, so their runs are left to the system.
class NarrowTable {
public:
    NarrowTable() : usable_(false), ascii_(false) {
        CPINFO info;
        if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return;
        const int count = 0x10000 - 0x800;
        aptr<wchar_t> units(new wchar_t[count]);
        aptr<char> bytes(new char[count]);
        int n = 0;
        for (unsigned u = 0; u < 0x10000; ++u)
            if (!IsSurrogate(static_cast<wchar_t>(u))) units.get()[n++] = static_cast<wchar_t>(u);
        if (WideCharToMultiByte(CP_ACP, 0, units.get(), n, bytes.get(), n, nullptr, nullptr) != n) return;
        memset(byte_, 0, sizeof byte_);
        for (int i = 0; i < n; ++i) byte_[units.get()[i]] = static_cast<unsigned char>(bytes.get()[i]);
        ascii_ = true;
        for (unsigned u = 0; u < 0x80; ++u) ascii_ = ascii_ && byte_[u] == u;
        usable_ = true;
    }
    bool Usable() const { return usable_; }

    // The units of text before its terminator, at most limit of them, into
    // out (room for limit bytes). The text goes on at least to
    // text[limit] when no terminator comes first. Gives the bytes written,
    // or -1 when the system refuses a run of surrogates; used gets the
    // units taken, which end inside no surrogate pair when limit is 2 or
    // more.
    int Convert(const wchar_t* text, size_t limit, char* out, size_t& used) const {
        const wchar_t* p = text;
        const wchar_t* end = text + limit;
        char* o = out;
        const bool sse2 = Sse2Text();
        while (p < end) {
            if (ascii_) Ascii(p, end, o, sse2);
            if (p == end || !*p) break;
            wchar_t unit = *p;
            if (!IsSurrogate(unit)) {
                *o++ = static_cast<char>(byte_[unit]);
                ++p;
                continue;
            }
            const wchar_t* run = p;
            while (p < end && IsSurrogate(*p)) ++p;
            // A high surrogate at the limit goes with the low one after it
            // into the next piece, and this piece ends before it (unless
            // it would be left empty).
            bool pairAtLimit = p == end && IsHigh(p[-1]) && IsLow(*p) && p - 1 > text;
            if (pairAtLimit) --p;
            if (p > run) {
                int room = static_cast<int>(limit - (o - out));
                int n = WideCharToMultiByte(CP_ACP, 0, run, static_cast<int>(p - run), o, room, nullptr, nullptr);
                if (n <= 0) return -1;
                o += n;
            }
            if (pairAtLimit) break;
        }
        used = static_cast<size_t>(p - text);
        return static_cast<int>(o - out);
    }

private:
    // Units below 0x80, which stay as they are, many at a time, up to the
    // first other unit or terminator. Reads never cross into another page:
    // they are aligned to their own size.
    static void Ascii(const wchar_t*& p, const wchar_t* end, char*& o, bool sse2) {
        if (sse2) {
            if (reinterpret_cast<uintptr_t>(p) % 32 != 0) return;
            size_t done = Sse2NarrowAscii(p, static_cast<size_t>(end - p), o);
            p += done;
            o += done;
            return;
        }
        if (reinterpret_cast<uintptr_t>(p) % 8 != 0) return;
        while (end - p >= 4) {
            unsigned long long four;
            memcpy(&four, p, sizeof four);
            if ((four & 0xFF80FF80FF80FF80ull) || ((four - 0x0001000100010001ull) & ~four & 0x8000800080008000ull))
                return;
            o[0] = static_cast<char>(four);
            o[1] = static_cast<char>(four >> 16);
            o[2] = static_cast<char>(four >> 32);
            o[3] = static_cast<char>(four >> 48);
            p += 4;
            o += 4;
        }
    }

    bool usable_;
    bool ascii_;  // units below 0x80 are their own bytes
    unsigned char byte_[0x10000];
};

// The code page does not change while the process runs.
const NarrowTable& AnsiTable() {
    static const NarrowTable table;
    return table;
}

// Units before the terminator, four at a time where the text allows.
size_t WideLength(const wchar_t* text) {
    const wchar_t* p = text;
    // Aligned eight-byte reads never cross into another page.
    while (reinterpret_cast<uintptr_t>(p) % 8 != 0) {
        if (!*p) return p - text;
        ++p;
    }
    for (;; p += 4) {
        unsigned long long four;
        memcpy(&four, p, sizeof four);
        if ((four - 0x0001000100010001ull) & ~four & 0x8000800080008000ull) break;
    }
    while (*p) ++p;
    return p - text;
}

}  // namespace

char* AnsiCopy(const wchar_t* text) {
    if (!text) return nullptr;
    size_t length = WideLength(text);
    // One byte per character: converted in one pass by the table.
    if (AnsiTable().Usable() && length < 0x7FFFFFFF) {
        char* out = new char[length + 1];
        size_t used = 0;
        int n = AnsiTable().Convert(text, length, out, used);
        out[n > 0 ? n : 0] = 0;
        return out;
    }
    // The support library's copy is the system's conversion.
    return newstr(text);
}

NarrowPieces::NarrowPieces(const wchar_t* text) : text_(text ? text : L""), whole_(nullptr), given_(false) {
    if (!AnsiTable().Usable()) whole_ = AnsiCopy(text_);
}

NarrowPieces::~NarrowPieces() { delete[] whole_; }

bool NarrowPieces::Next(const char*& bytes, size_t& count) {
    if (whole_) {
        // One piece, once.
        if (given_ || !*whole_) return false;
        given_ = true;
        bytes = whole_;
        count = strlen(whole_);
        return true;
    }
    if (!*text_) return false;
    size_t used = 0;
    int n = AnsiTable().Convert(text_, sizeof buffer_, buffer_, used);
    text_ += used;
    bytes = buffer_;
    count = n > 0 ? static_cast<size_t>(n) : 0;
    return used > 0;
}

}  // namespace Standard
}  // namespace TAXDK
