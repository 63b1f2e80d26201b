#include <fwbase/Co.h>

#include <stdint.h>
#include <string.h>

#include <fwbase/Exception.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>

void CoCallEx(HRESULT result, HMODULE module, const char* file, int line) {
    if (SUCCEEDED(result)) return;
    string reason = FormatBuffer(256, "COM call error %i (%08X) at \"", static_cast<int>(result),
                                 static_cast<unsigned>(result));
    reason += file;
    reason += FormatBuffer(256, "\":%i in \"", line);
    reason += GetFileName(GetModuleFileNameA(module));
    reason += "\"";
    throw CoError(result, reason);
}

CoString::CoString(const char* text) : s_(nullptr) {
    if (!text) return;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    s_ = SysAllocStringLen(nullptr, n > 0 ? n - 1 : 0);
    if (s_ && n > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, s_, n);
}

namespace {

bool IsSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

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

    // length units of text into out (room for length bytes); gives the
    // bytes written, or -1 when the system refuses a run of surrogates.
    int Convert(const wchar_t* text, size_t length, char* out) const {
        const wchar_t* end = text + length;
        char* start = out;
        while (text < end) {
            // Four units below 0x80 at once: they stay as they are.
            if (ascii_) {
                while (end - text >= 4) {
                    unsigned long long four;
                    memcpy(&four, text, sizeof four);
                    if (four & 0xFF80FF80FF80FF80ull) break;
                    out[0] = static_cast<char>(four);
                    out[1] = static_cast<char>(four >> 16);
                    out[2] = static_cast<char>(four >> 32);
                    out[3] = static_cast<char>(four >> 48);
                    text += 4;
                    out += 4;
                }
                if (text == end) break;
            }
            wchar_t unit = *text;
            if (!IsSurrogate(unit)) {
                *out++ = static_cast<char>(byte_[unit]);
                ++text;
                continue;
            }
            const wchar_t* run = text;
            while (text < end && IsSurrogate(*text)) ++text;
            int room = static_cast<int>(length - (out - start));
            int n = WideCharToMultiByte(CP_ACP, 0, run, static_cast<int>(text - run), out, room, nullptr, nullptr);
            if (n <= 0) return -1;
            out += n;
        }
        return static_cast<int>(out - start);
    }

private:
    bool usable_;
    bool ascii_;  // units below 0x80 are their own bytes
    unsigned char byte_[0x10000];
};

// The code page does not change while the process runs.
const NarrowTable& AnsiTable() {
    static const NarrowTable table;
    return table;
}

// Units before the terminator, at most limit, four at a time where the
// text allows.
size_t WideLength(const wchar_t* text, size_t limit = SIZE_MAX) {
    const wchar_t* p = text;
    const wchar_t* end = limit == SIZE_MAX ? nullptr : text + limit;
    // Aligned eight-byte reads never cross into another page.
    while (reinterpret_cast<uintptr_t>(p) % 8 != 0 && p != end) {
        if (!*p) return p - text;
        ++p;
    }
    for (; !end || end - p >= 4; p += 4) {
        unsigned long long four;
        memcpy(&four, p, sizeof four);
        if ((four - 0x0001000100010001ull) & ~four & 0x8000800080008000ull) break;
    }
    while (p != end && *p) ++p;
    return p - text;
}

}  // namespace

char* newstr(const wchar_t* text) {
    if (!text) return nullptr;
    size_t length = WideLength(text);
    // One byte per character: converted in one pass by the table.
    if (AnsiTable().Usable() && length < 0x7FFFFFFF) {
        char* out = new char[length + 1];
        int n = AnsiTable().Convert(text, length, out);
        out[n > 0 ? n : 0] = 0;
        return out;
    }
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char* out = new char[n > 0 ? n : 1];
    out[0] = 0;
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, out, n, nullptr, nullptr);
    return out;
}

static const size_t kPieceUnits = 0x10000;

NarrowPieces::NarrowPieces(const wchar_t* text)
    : text_(text ? text : L""), buffer_(nullptr), size_(0), whole_(nullptr) {
    if (!AnsiTable().Usable()) whole_ = newstr(text_);
}

NarrowPieces::~NarrowPieces() {
    delete[] buffer_;
    delete[] whole_;
}

bool NarrowPieces::Next(const char*& bytes, size_t& count) {
    if (whole_) {
        // One piece, once.
        bytes = whole_;
        count = strlen(whole_);
        bool more = *text_ != 0 && count > 0;
        text_ = L"";
        return more;
    }
    size_t units = WideLength(text_, kPieceUnits);
    if (units == 0) return false;
    // As large as the first piece: a short text needs no large block.
    if (size_ < units) {
        delete[] buffer_;
        buffer_ = nullptr;
        buffer_ = new char[units];
        size_ = units;
    }
    // A high surrogate keeps its low one in the same piece.
    if (units == kPieceUnits && text_[units] >= 0xDC00 && text_[units] <= 0xDFFF && text_[units - 1] >= 0xD800 &&
        text_[units - 1] <= 0xDBFF)
        --units;
    int n = AnsiTable().Convert(text_, units, buffer_);
    if (n < 0) n = 0;
    text_ += units;
    bytes = buffer_;
    count = static_cast<size_t>(n);
    return true;
}

char* newstr(const char* text) {
    if (!text) return nullptr;
    size_t n = strlen(text) + 1;
    char* out = new char[n];
    memcpy(out, text, n);
    return out;
}
