// Collector.h until the collector's link is built: names no collector,
// refuses every value, sends nothing.
#include "Log/Collector.h"

#include <RegistryNames.h>
#include <ShownText.h>
#include <exceptions.h>

CollectorAddress CollectorOf(const string& value) {
    if (value.empty()) return CollectorAddress();
    throw KLAppException(string("Неизвестный сборщик журнала: \"" LOG_COLLECTOR "\"=") +
                         TAXDK::Standard::ShownText(value));
}

string CollectorMessage(const LogEntry&) { return string(""); }

ptr<CollectorLink> OpenCollectorLink(const CollectorAddress&) { return ptr<CollectorLink>(); }
