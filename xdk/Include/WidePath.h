// Wide forms of the support library's path functions (fwbase/Path.h), for
// names in UTF-16 that the ANSI code page cannot hold or that run past
// MAX_PATH: the same rules, character for character.
#pragma once

#include <str.h>

namespace TAXDK {
namespace Standard {

// As IsAbsolutePath: "X:\..." (or "X:/..."), UNC names and "\dir" are
// absolute; "X:name" is relative.
bool IsAbsolutePath(const wchar_t* path);

// As ExpEnv: %NAME% references from the process environment; a reference
// to a name that is not set, and a lone "%", stay as they stand. Any
// length. Null gives the empty text.
basic_text<wchar_t> ExpEnv(const wchar_t* text);

// The full name the system makes of path (GetFullPathNameW): "." and ".."
// resolved, a relative name taken from the current folder, trailing dots
// and blanks of the last part dropped. Any length; the path unchanged when
// the system cannot say.
basic_text<wchar_t> FullPath(const wchar_t* path);

// text in the ANSI code page, widened as CodePageText widens it.
basic_text<wchar_t> AnsiWide(const char* text);

}  // namespace Standard
}  // namespace TAXDK
