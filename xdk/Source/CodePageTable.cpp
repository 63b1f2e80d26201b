#include <CodePageTable.h>

#include "Sse2Text.h"

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
    size_t done = 0;
    // Sixteen bytes below 0x80 at a time where the processor can.
    if (ascii_ && Sse2Text()) done = Sse2Widen(p, size, unit_, out);
    for (; done < size; ++done) out[done] = unit_[p[done]];
}

}  // namespace Standard
}  // namespace TAXDK
