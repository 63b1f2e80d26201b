// What the file commands ask of the system beyond the support library: the
// full form of a file name, and the size of an open file.
#pragma once

#include <windows.h>

#include <str.h>

// The full name the system makes of path (GetFullPathNameA): "." and ".."
// resolved, a relative name taken from the current folder, trailing dots
// and blanks of the last part dropped as the file system drops them. The
// path unchanged when the system cannot say.
string FullPath(const char* path);

// The size of the open file that name names. A failure throws
// ResourceException "Не удалось узнать размер файла (ошибка N): " and the name.
ULONGLONG FileSize(HANDLE file, const char* name);
