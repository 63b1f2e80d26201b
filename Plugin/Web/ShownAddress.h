// An address as the plug-in's texts show it: a name and password before
// the host ("user:pass@", the user-info) never appear, "***@" stands in
// their place; otherwise as ShownText shows any value.
#pragma once

#include <str.h>

// Where the user-info of url ends (the position of its last "@"), 0 when it
// has none. The host part begins after "scheme://" (or a leading "//"; at
// the start without either) and is searched up to the first "/": an "@"
// after a "?", "#" or "\" still ends a user-info, as the system reads it.
size_t UserInfoEnd(const wchar_t* url);

string ShownAddress(const wchar_t* url);
