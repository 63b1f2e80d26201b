// Narrow text in the ANSI code page to wide and back, as plain as the
// system gives it: the tests' and the bench's own conversion, kept apart
// from the product's so that the one checks the other.
#pragma once

#include <string>

std::wstring Wide(const std::string& text);
// "<null>" for a null text.
std::string Narrow(const wchar_t* text);
