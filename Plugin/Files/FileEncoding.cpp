#include "Files/FileEncoding.h"

#include <string.h>

#include <ShownText.h>
#include <TextCodec.h>
#include <exceptions.h>

using TAXDK::Standard::CodePageBytes;
using TAXDK::Standard::CodePageText;
using TAXDK::Standard::Utf16Bytes;
using TAXDK::Standard::Utf16Text;

TextEncoding ParseEncoding(const char* property, const string& text) {
    if (text.empty()) return TextEncoding::Ansi;
    keystring name(text);
    if (name == "UTF-8") return TextEncoding::Utf8;
    if (name == "UTF-8 BOM") return TextEncoding::Utf8Bom;
    if (name == "UTF-16") return TextEncoding::Utf16;
    throw KLAppException(string("Неизвестная кодировка: ") + property + "=" + TAXDK::Standard::ShownText(text) +
                         " (допустимо: UTF-8, UTF-8 BOM, UTF-16)");
}

const char* EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf8Bom:
        return "UTF-8 BOM";
    case TextEncoding::Utf16:
        return "UTF-16";
    case TextEncoding::Utf16BigEndian:
        return "UTF-16 BE";
    default:
        return "ANSI";
    }
}

void Encode(const wchar_t* text, size_t length, TextEncoding encoding, Buffer<char>& out, size_t& markSize) {
    markSize = 0;
    switch (encoding) {
    case TextEncoding::Utf16:
    case TextEncoding::Utf16BigEndian: {
        bool bigEndian = encoding == TextEncoding::Utf16BigEndian;
        out.Append(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
        markSize = 2;
        return Utf16Bytes(text, length, bigEndian, out);
    }
    case TextEncoding::Utf8Bom:
        out.Append("\xEF\xBB\xBF", 3);
        markSize = 3;
        return CodePageBytes(CP_UTF8, text, length, false, out);
    case TextEncoding::Utf8:
        return CodePageBytes(CP_UTF8, text, length, false, out);
    default:
        return CodePageBytes(CP_ACP, text, length, false, out);
    }
}

TextEncoding MarkedEncoding(const char* bytes, size_t size, size_t& markSize) {
    markSize = 3;
    if (size >= 3 && !memcmp(bytes, "\xEF\xBB\xBF", 3)) return TextEncoding::Utf8Bom;
    markSize = 2;
    if (size >= 2 && !memcmp(bytes, "\xFF\xFE", 2)) return TextEncoding::Utf16;
    if (size >= 2 && !memcmp(bytes, "\xFE\xFF", 2)) return TextEncoding::Utf16BigEndian;
    markSize = 0;
    return TextEncoding::Ansi;
}

void DecodeText(const char* bytes, size_t size, TextEncoding fallback, CoString& out) {
    size_t markSize = 0;
    TextEncoding marked = MarkedEncoding(bytes, size, markSize);
    TextEncoding encoding = marked == TextEncoding::Ansi ? fallback : marked;
    bytes += markSize;
    size -= markSize;
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return CodePageText(CP_UTF8, bytes, size, out);
    case TextEncoding::Utf16:
        return Utf16Text(bytes, size, false, out);
    case TextEncoding::Utf16BigEndian:
        return Utf16Text(bytes, size, true, out);
    default:
        return CodePageText(CP_ACP, bytes, size, out);
    }
}
