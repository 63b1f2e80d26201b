// LogRoute: how the script log's entries travel, from "Log Delivery",
// "Log Spool MiB" and "Log Collector" (Settings/LogSettings.h):
//   direct   (missing or empty too) LogWrite writes the entry to the file
//            itself and fails when it cannot;
//   spooled  LogWrite puts the entry into the spool (LogSpool.h), and the
//            delivery thread takes it to the file and to the collector.
// "Log Delivery" is compared without regard to case. "Log Spool MiB" is a
// REG_DWORD from 1 to LOG_SPOOL_MIB_HIGHEST, 64 when missing. "Log
// Collector" names the collector as Collector.h reads it, empty for none;
// it is judged with either delivery and used by the spooled one.
#pragma once

#include <windows.h>

#include <str.h>

#include "Log/Collector.h"
#include "Settings/RequiredKey.h"

struct LogRoute {
    bool spooled = false;
    DWORD spoolMiB = 64;
    CollectorAddress collector;
    SYSTEMTIME now = {};  // the time of the entry the settings were read for
};

// false for direct, true for spooled; anything else throws KLAppException
// "Неизвестный способ доставки журнала: "Log Delivery"=VALUE (допустимо: direct, spooled)".
bool SpooledDelivery(const string& value);

// The bound; a value out of range or of another type throws KLAppException
// "Недопустимый размер очереди журнала: "Log Spool MiB"=VALUE (допустимо: REG_DWORD от 1 до 4096)",
// VALUE a number as its decimal digits, a text as ShownText shows it,
// anything else as "(тип N)" with the registry type's number.
DWORD SpoolMiB(const RequiredKey::Value& value);
