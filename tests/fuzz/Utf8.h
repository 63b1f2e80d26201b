// The fuzzer's texts: UTF-8 for its output and for docs/failures.md, and a
// printable form of any value (control characters, lone surrogates and
// long texts shown so that every value stays one readable line).
#pragma once

#include <string>

// UTF-8 of text; a lone surrogate becomes U+FFFD.
std::string Utf8(const std::wstring& text);
std::string Utf8(const wchar_t* text, size_t length);
std::wstring FromUtf8(const std::string& text);

// text in double quotes (those inside as they are), with "\r", "\n", "\t",
// "\xNN" for the other control characters and "\uD800" for a lone
// surrogate; a text over limit characters is given by its length and its
// first ones.
std::string Printable(const std::wstring& text, size_t limit = 120);
