// The text codec: conversions between the host's UTF-16 texts and byte
// texts in the ANSI and OEM code pages, UTF-8 and UTF-16 of either byte
// order, and the one form of a text cut short.
//
// The single-byte ANSI and OEM pages go through tables taken once from the
// system's own conversion (CodePageTable widens; AnsiCopy and NarrowPieces
// narrow into the ANSI page), so long texts convert in one pass, sixteen
// units at a time where they allow, with the very results the system gives.
// The sixteen-at-a-time forms need SSE2; the tables ask the system once
// whether the processor has it, and take their scalar forms when not.
// Texts of more than 0x3FFFFFFF units or bytes throw KLAppException
// "Текст слишком длинный"; other failures throw WindowsError.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <fwbase/Co.h>

namespace TAXDK {
namespace Standard {

// true: the tables take their scalar forms whatever the processor has;
// false: the forms it has again. For the tests, which run both.
void ForceScalarText(bool scalar);

// text in the ANSI code page as the system converts it without flags (a
// character the page lacks becomes "?" or a look-alike): a copy made with
// new[] that the caller owns. Null gives null.
char* AnsiCopy(const wchar_t* text);

// Wide text narrowed as AnsiCopy narrows it, piece by piece into a buffer
// of the object's own, so that a long text needs no narrow copy. Pieces end
// only where the conversion does not look across (never inside a surrogate
// pair).
class NarrowPieces {
public:
    // Null text is the empty text.
    explicit NarrowPieces(const wchar_t* text);
    ~NarrowPieces();
    NarrowPieces(const NarrowPieces&) = delete;
    NarrowPieces& operator=(const NarrowPieces&) = delete;

    // The next piece: its bytes (valid until the next call) and their count.
    // False once the text is used up.
    bool Next(const char*& bytes, size_t& count);

private:
    const wchar_t* text_;  // what is left
    char* whole_;          // the whole text, for code pages the table cannot take
    bool given_;           // whole_ was handed out
    char buffer_[16384];
};

// size bytes in code page (CP_ACP, CP_OEMCP, CP_UTF8 or a page's number) as
// UTF-16 text, a new BSTR in out; zeros are kept, and invalid UTF-8 becomes
// U+FFFD.
void CodePageText(UINT page, const char* bytes, size_t size, CoString& out);

// length units of text in code page, appended to out. exact: a character
// the page lacks becomes "?", never a look-alike, and one beyond the 16-bit
// range (a surrogate pair) one "?" (a UTF-8 page lacks none).
void CodePageBytes(UINT page, const wchar_t* text, size_t length, bool exact, Buffer<char>& out);

// UTF-16 bytes of the byte order given as text, a new BSTR in out; an odd
// last byte becomes U+FFFD.
void Utf16Text(const char* bytes, size_t size, bool bigEndian, CoString& out);
// length units of text as UTF-16 bytes of the byte order given, appended to out.
void Utf16Bytes(const wchar_t* text, size_t length, bool bigEndian, Buffer<char>& out);

// A text of total bytes of which the first size are kept (kept), cut
// short, appended to out: "[total байт]\r\n", the kept bytes, "\r\n...".
void CutText(unsigned long long total, const char* kept, size_t size, Buffer<char>& out);

}  // namespace Standard
}  // namespace TAXDK
