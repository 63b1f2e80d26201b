// A log text in UTF-8, as the destinations that take UTF-8 (the JSON lines,
// the collector) count and cut it: the text is UTF-16, each character
// counted by the bytes of its UTF-8 form, an unpaired surrogate as U+FFFD.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <str.h>

// The character that starts at text[i] (of length units) and how many
// units it takes; an unpaired surrogate is U+FFFD.
unsigned CodePoint(const wchar_t* text, size_t length, size_t i, size_t& units);

// How many UTF-8 bytes the character c takes.
inline size_t Utf8Size(unsigned c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// The UTF-8 bytes of c, and of length units of text, appended to out.
void AppendUtf8(Buffer<char>& out, unsigned c);
void AppendUtf8Text(Buffer<char>& out, const wchar_t* text, size_t length);

// text cut as "Max LogText" cuts it (LimitLogText, ScriptLog.h), with its
// bytes counted in UTF-8 and never a character split: a text of limit
// bytes or more becomes "[N байт]\r\n" (N its whole size), the whole
// characters of its first limit bytes and "\r\n..."; a shorter one stays.
// A result that would take more than room UTF-8 bytes is cut further the
// same way, N still the whole text's size, so that it takes at most room
// (when room holds the marks at all). The result, in UTF-16, is appended
// to out (a zero in text stays a character of it).
void LimitUtf8Text(Buffer<wchar_t>& out, const wchar_t* text, size_t length, unsigned long long limit,
                   unsigned long long room = ~0ULL);
