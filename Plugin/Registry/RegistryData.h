// RegistryData: a registry value's data as the registry commands give it
// in text and take it from text, by its type:
//   REG_SZ, REG_EXPAND_SZ  the text (an expandable one not expanded)
//   REG_DWORD, REG_QWORD   decimal; taken also as 0x and hexadecimal digits
//   REG_MULTI_SZ           one string a line, "\r\n" between; taken with
//                          "\r\n" or "\n" between, empty lines left out
//   REG_BINARY and others  two hexadecimal digits a byte, a blank between;
//                          taken with blanks or none between the bytes
#pragma once

#include <windows.h>

#include <Buffer.h>

// The type a name gives (REG_SZ for the empty name, any case); false for
// a name of no type the commands write.
bool ParseRegistryType(const wchar_t* name, DWORD& type);

// The type's name ("REG_SZ", ...; the number for a type without one).
const char* RegistryTypeName(DWORD type, char (&number)[12]);

// text's data for type, appended to data; false when text does not fit
// the type (no number, past its bits, an odd count of hexadecimal digits).
bool RegistryDataOf(DWORD type, const wchar_t* text, size_t length, Buffer<BYTE>& data);

// The data's text, appended to text.
void RegistryTextOf(DWORD type, const BYTE* data, size_t size, Buffer<wchar_t>& text);
