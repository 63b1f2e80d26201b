// The SSE2 forms of the text tables' inner loops. The 32-bit module runs on
// processors without SSE2 too, so it is compiled without it: these two
// functions alone carry vector instructions (each compiled for SSE2 by its
// own attribute, in the code section ".text$sse2", which the module's check
// allows), and the tables call them only when Sse2Text() says so.
#pragma once

#include <stddef.h>

namespace TAXDK {
namespace Standard {

// True when the processor has SSE2 (asked of the system once) and the
// scalar forms are not forced (ForceScalarText, TextCodec.h).
bool Sse2Text();

// Widens the bytes at bytes through unit (the unit of each byte), sixteen
// at a time, as many whole blocks of sixteen as size holds: a block of
// bytes below 0x80 (their own units) without the table. Gives the count
// of bytes done. out may cover bytes as CodePageTable::Widen allows.
size_t Sse2Widen(const unsigned char* bytes, size_t size, const wchar_t* unit, wchar_t* out);

// Narrows the units at text, which is aligned to 32 bytes, sixteen at a
// time while a block of sixteen holds only units from 1 to 0x7F, at most
// count units: each unit becomes its own byte at out. Gives the count of
// units done; reads never cross into another page.
size_t Sse2NarrowAscii(const wchar_t* text, size_t count, char* out);

}  // namespace Standard
}  // namespace TAXDK
