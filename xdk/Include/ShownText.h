// How a value a script gave stands in the plug-in's own failure texts: in
// the ANSI code page (narrowed as AnsiCopy narrows), with every control
// character, line ends and tabs among them, shown as "?". A failure text
// then stays one line in a log, and no value can start a line of its own.
#pragma once

#include <str.h>

namespace TAXDK {
namespace Standard {

// Null gives the empty text.
string ShownText(const char* text);
string ShownText(const wchar_t* text);

}  // namespace Standard
}  // namespace TAXDK
