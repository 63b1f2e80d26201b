#include "Log/LogRoute.h"

#include <RegistryNames.h>
#include <SettingLimits.h>
#include <ShownText.h>
#include <exceptions.h>
#include <fwbase/Format.h>

bool SpooledDelivery(const string& value) {
    if (value.empty() || keystring(value) == "direct") return false;
    if (keystring(value) == "spooled") return true;
    throw KLAppException(string("Неизвестный способ доставки журнала: \"" LOG_DELIVERY "\"=") +
                         TAXDK::Standard::ShownText(value) + " (допустимо: direct, spooled)");
}

DWORD SpoolMiB(const RequiredKey::Value& value) {
    if (value.type == REG_NONE) return 64;
    if (value.type == REG_DWORD && value.number >= 1 && value.number <= LOG_SPOOL_MIB_HIGHEST) return value.number;
    string shown;
    if (value.type == REG_DWORD)
        shown = FormatBuffer(16, "%lu", static_cast<unsigned long>(value.number));
    else if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        shown = TAXDK::Standard::ShownText(value.text);
    else
        shown = FormatBuffer(24, "(тип %lu)", static_cast<unsigned long>(value.type));
    throw KLAppException(string("Недопустимый размер очереди журнала: \"" LOG_SPOOL_MIB "\"=") + shown +
                         FormatBuffer(64, " (допустимо: REG_DWORD от 1 до %u)", LOG_SPOOL_MIB_HIGHEST).c_str());
}
