// The code page of a response body from its Content-Type header
// ("text/plain; charset=windows-1251"): UTF-8 when the header names no
// charset, or one this table does not know.
#pragma once

#include <windows.h>

UINT ContentCharset(const wchar_t* contentType);
