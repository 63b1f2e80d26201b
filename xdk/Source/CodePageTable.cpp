#include <CodePageTable.h>

#include "Sse2.h"

namespace TAXDK {
namespace Standard {

CodePageTable::CodePageTable(UINT page) : usable_(false), ascii_(false) {
    CPINFO info;
    if (!GetCPInfo(page, &info) || info.MaxCharSize != 1) return;
    // One byte is one character: the system maps each byte by itself.
    char bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    if (MultiByteToWideChar(page, 0, bytes, 256, unit_, 256) != 256) return;
    ascii_ = true;
    for (unsigned i = 0; i < 0x80; ++i) ascii_ = ascii_ && unit_[i] == i;
    usable_ = true;
}

const CodePageTable* CodePageTable::For(UINT page) {
    // The two pages do not change while the process runs.
    static const CodePageTable ansi(CP_ACP), oem(CP_OEMCP);
    const CodePageTable* table = page == CP_ACP || page == GetACP()     ? &ansi
                                 : page == CP_OEMCP || page == GetOEMCP() ? &oem
                                                                          : nullptr;
    return table && table->usable_ ? table : nullptr;
}

void CodePageTable::Widen(const char* bytes, size_t size, wchar_t* out) const {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* end = p + size;
#if defined(__SSE2__)
    // Sixteen bytes below 0x80 at a time; a block with another byte goes
    // through the table.
    const __m128i zero = _mm_setzero_si128();
    while (ascii_ && end - p >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(block)) {
            for (int i = 0; i < 16; ++i) out[i] = unit_[p[i]];
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(block, zero));
        }
        p += 16;
        out += 16;
    }
#endif
    while (p < end) *out++ = unit_[*p++];
}

}  // namespace Standard
}  // namespace TAXDK
