#include "Files/FileSystem.h"

#include <fwbase/Exception.h>
#include <fwbase/Format.h>
#include <refs.h>

string FullPath(const char* path) {
    if (!NotEmpty(path)) return string(path);
    char small[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof small, small, nullptr);
    if (n == 0) return string(path);
    if (n < sizeof small) return string(small, n);
    // Too long for the small buffer: n is the size needed.
    aptr<char> buf(new char[n]);
    DWORD got = GetFullPathNameA(path, n, buf.get(), nullptr);
    return got > 0 && got < n ? string(buf.get(), got) : string(path);
}

ULONGLONG FileSize(HANDLE file, const char* name) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        DWORD error = GetLastError();
        throw ResourceException(FormatBuffer(256, "Не удалось узнать размер файла (ошибка %lu): ", error), name);
    }
    return static_cast<ULONGLONG>(size.QuadPart);
}
