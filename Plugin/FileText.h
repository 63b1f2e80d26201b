// Texts in files for aRvik.FileWrite and aRvik.FileRead: the encodings a
// script may name, writing bytes by replacing or appending, and reading a
// whole file back as UTF-16 text.
#pragma once

#include <windows.h>

#include <fwbase/Co.h>
#include <fwbase/FilePort.h>
#include <refs.h>
#include <str.h>

#include "Buffer.h"

// Utf16BigEndian is never named by a script: only a file's mark gives it.
enum class TextEncoding { Ansi, Utf8, Utf8Bom, Utf16, Utf16BigEndian };

// The encoding named by text: "UTF-8", "UTF-8 BOM" or "UTF-16" in any mix
// of capital and small letters; Ansi for the empty text. Any other text
// throws KLAppException naming property and listing the names.
TextEncoding ParseEncoding(const char* property, const string& text);

// The byte-order mark the encoding puts at the start of a file: FF FE for
// UTF-16 (little-endian), FE FF for UTF-16 big-endian, EF BB BF for UTF-8
// BOM, none for the others. Encode writes the mark, then text (length
// UTF-16 units) in the encoding; Ansi converts to the ANSI code page as the
// session's narrow texts do.
void Encode(const wchar_t* text, size_t length, TextEncoding encoding, Buffer<char>& out, size_t& markSize);

// The encoding whose mark bytes begin with (EF BB BF: Utf8Bom, FF FE:
// Utf16, FE FF: Utf16BigEndian); Ansi, with markSize 0, for none.
TextEncoding MarkedEncoding(const char* bytes, size_t size, size_t& markSize);

// A file that aRvik.FileWrite writes with a mode or an encoding given; its
// folder is made with its parents. Replacing empties or makes the file;
// appending writes at its end, making it when missing. A failed open throws
// exactly what SaveFile's does for the same failure.
class TextFileWriter {
public:
    TextFileWriter(const char* fileName, bool append);
    ULONGLONG Size() const { return file_->Size(); }
    // The encoding of the mark the file begins with, as MarkedEncoding
    // gives it; appending only.
    TextEncoding Mark();
    void Write(const char* bytes, size_t size) { file_->Write(bytes, size); }

private:
    ptr<FilePort> file_;
};

// The most FileRead takes: 64 MiB.
const ULONGLONG maxFileRead = 64ull << 20;

// The whole content of fileName, read with every sharing mode granted to
// others, as DecodeText gives it; a long text in the ANSI code page is
// widened where it is read, without a copy of its bytes. A file that is
// missing, a folder, one that may not be read, or larger than maxFileRead
// (also when it grows beyond it while read) throws FileException
// "Не удалось прочитать файл (...): " and the name.
void ReadFileText(const char* fileName, TextEncoding fallback, CoString& out);

// Bytes in code page as UTF-16 text, a new BSTR; zeros are kept.
void CodePageText(UINT page, const char* bytes, size_t size, CoString& out);

// File bytes as UTF-16 text: a byte-order mark decides (EF BB BF UTF-8,
// FF FE UTF-16 little-endian, FE FF big-endian) and is dropped; without
// one, fallback does, Ansi meaning the ANSI code page. Zeros are kept;
// invalid sequences become U+FFFD, as does an odd last byte of UTF-16.
void DecodeText(const char* bytes, size_t size, TextEncoding fallback, CoString& out);
