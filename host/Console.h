// Console output of the stand-in host, one line a call. Narrow texts are in
// the process's ANSI code page, as the plug-in's own texts are.
#pragma once

#include <string>

void Print(const std::string& ansi);
void Print(const std::wstring& wide);
std::string Ansi(const std::wstring& wide);
std::wstring Wide(const std::string& text, unsigned codePage);
