// NameOrder: the order in which the plug-in lists names (aRvik.FileList,
// aRvik.RegList), the settings page's: lstrcmpiW's, CompareStringW of the
// thread's locale with case ignored, reached by the sort keys that the
// system documents to compare as it does (one key per name instead of one
// comparison by the system per pair); names equal in it by wcscmp.
#pragma once

#include <windows.h>

#include <stddef.h>

// Sorts order[0..count) (indices of names, each zero-terminated) into
// that order; 0, or the system's error when a sort key could not be made.
DWORD SortNames(const wchar_t* const* names, size_t count, size_t* order);
