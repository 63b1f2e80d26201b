// InternetHandle: the one owner of a WinHTTP handle (session, connection or
// request). Closing a request's handle ends what it has under way.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <owned.h>

struct InternetHandleTraits {
    typedef HINTERNET Type;
    static HINTERNET None() { return nullptr; }
    static bool IsEmpty(HINTERNET handle) { return !handle; }
    static void Close(HINTERNET handle) { WinHttpCloseHandle(handle); }
};
typedef owned<InternetHandleTraits> InternetHandle;
