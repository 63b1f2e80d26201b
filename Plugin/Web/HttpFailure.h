// The failure of a request that could not be made or answered: "Не удалось
// выполнить запрос (REASON): URL", the reason the system's error in words
// (no such host, refused, no answer within the time, TLS...), its number
// for the others, or a redirect that is not followed. URL is the address
// that could not be reached, as ShownAddress shows it.
#pragma once

#include <windows.h>

#include <exceptions.h>
#include <str.h>

// error: the WinHTTP (or system) error; timeout: the request's whole time
// in milliseconds, which ERROR_WINHTTP_TIMEOUT names.
KLAppException RequestFailed(DWORD error, DWORD timeout, const string& url);
// reason in words.
KLAppException RequestFailed(const char* reason, const string& url);
