// The encodings of files that aRvik.FileWrite and aRvik.FileRead know: the
// names a script gives them, the byte-order marks that tell them, and a
// text's bytes in each (through the text codec).
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <fwbase/Co.h>
#include <str.h>

// Utf16BigEndian is never named by a script: only a file's mark gives it.
enum class TextEncoding { Ansi, Utf8, Utf8Bom, Utf16, Utf16BigEndian };

// The encoding named by text: "UTF-8", "UTF-8 BOM" or "UTF-16" in any mix
// of capital and small letters; Ansi for the empty text. Any other text
// throws KLAppException naming property and listing the names.
TextEncoding ParseEncoding(const char* property, const string& text);

// The encoding's name in a failure text: "UTF-8", "UTF-8 BOM", "UTF-16",
// "UTF-16 BE" or "ANSI".
const char* EncodingName(TextEncoding encoding);

// The byte-order mark the encoding puts at the start of a file: FF FE for
// UTF-16 (little-endian), FE FF for UTF-16 big-endian, EF BB BF for UTF-8
// BOM, none for the others. Encode writes the mark, then text (length
// UTF-16 units) in the encoding; Ansi converts to the ANSI code page as the
// session's narrow texts do.
void Encode(const wchar_t* text, size_t length, TextEncoding encoding, Buffer<char>& out, size_t& markSize);

// The encoding whose mark bytes begin with (EF BB BF: Utf8Bom, FF FE:
// Utf16, FE FF: Utf16BigEndian); Ansi, with markSize 0, for none.
TextEncoding MarkedEncoding(const char* bytes, size_t size, size_t& markSize);

// File bytes as UTF-16 text: a byte-order mark decides (EF BB BF UTF-8,
// FF FE UTF-16 little-endian, FE FF big-endian) and is dropped; without
// one, fallback does, Ansi meaning the ANSI code page. Zeros are kept;
// invalid sequences become U+FFFD, as does an odd last byte of UTF-16.
void DecodeText(const char* bytes, size_t size, TextEncoding fallback, CoString& out);
