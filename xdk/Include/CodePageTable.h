// CodePageTable: the UTF-16 unit each byte of a single-byte code page
// stands for, taken once from the system's own conversion, so that long
// texts widen without a call per text.
#pragma once

#include <windows.h>

#include <stddef.h>

namespace TAXDK {
namespace Standard {

class CodePageTable {
public:
    // The table of the ANSI or the OEM code page (by CP_ACP, CP_OEMCP or
    // their numbers) when it has one byte per character; null for any
    // other page, or when the system would not convert all 256 bytes. Made
    // on first use, shared by all threads.
    static const CodePageTable* For(UINT page);

    // size bytes into as many units at out, zeros included: what
    // MultiByteToWideChar gives for them. The units may cover the bytes
    // when the bytes begin size bytes or more after out (a text widened in
    // its own memory): each byte is read before a unit is written over it.
    void Widen(const char* bytes, size_t size, wchar_t* out) const;

    CodePageTable(const CodePageTable&) = delete;
    CodePageTable& operator=(const CodePageTable&) = delete;

private:
    explicit CodePageTable(UINT page);

    bool usable_;
    bool ascii_;  // bytes below 0x80 are their own units
    wchar_t unit_[256];
};

}  // namespace Standard
}  // namespace TAXDK
