#include "Log/LogFormat.h"

#include <RegistryNames.h>
#include <ShownText.h>
#include <exceptions.h>

LogFormat LogFormatOf(const string& value) {
    if (value.empty() || keystring(value) == "text") return LogFormat::Text;
    if (keystring(value) == "json") return LogFormat::Json;
    return LogFormat::Unknown;
}

void ThrowUnknownLogFormat(const string& value) {
    throw KLAppException(string("Неизвестный формат журнала: \"" LOG_FORMAT "\"=") +
                         TAXDK::Standard::ShownText(value) + " (допустимо: text, json)");
}
