#include "ShownText.h"

#include <string.h>

#include "TextCodec.h"

namespace TAXDK {
namespace Standard {

static bool Control(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Replaces in place; the buffer is new[] and the caller's.
static string Adopted(char* text) {
    for (char* p = text; *p; ++p)
        if (Control(static_cast<unsigned char>(*p))) *p = '?';
    return string::Adopt(text);
}

string ShownText(const char* text) {
    if (!text) return string("");
    const char* p = text;
    while (*p && !Control(static_cast<unsigned char>(*p))) ++p;
    if (!*p) return string(text);
    size_t n = strlen(text);
    char* copy = new char[n + 1];
    memcpy(copy, text, n + 1);
    return Adopted(copy);
}

string ShownText(const wchar_t* text) { return text ? Adopted(AnsiCopy(text)) : string(""); }

}  // namespace Standard
}  // namespace TAXDK
