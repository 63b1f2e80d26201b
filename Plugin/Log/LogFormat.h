// The form of the script log's entries, "Log Format" (Settings/LogSettings.h):
// "text", a time stamp and the text in the ANSI code page, or "json", one
// JSON object a line in UTF-8 (JsonLogEntry.h). The value is compared
// without regard to case; a missing or empty one is "text".
#pragma once

#include <str.h>

enum class LogFormat { Text, Json, Unknown };

LogFormat LogFormatOf(const string& value);

// The failure of a value that names no form: KLAppException
// "Неизвестный формат журнала: "Log Format"=VALUE (допустимо: text, json)",
// the value shown as TAXDK::Standard::ShownText shows it.
[[noreturn]] void ThrowUnknownLogFormat(const string& value);
