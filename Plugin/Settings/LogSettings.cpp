#include "Settings/LogSettings.h"

#include <RegistryNames.h>
#include <SettingLimits.h>

#include "Settings/Policy.h"

// Digits only, up to the highest "Max LogText" (all of 32 bits); false
// for anything else.
static bool PlainNumber(const char* text, DWORD& number) {
    if (!text || !*text) return false;
    unsigned long long value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<unsigned>(*c - '0');
        if (value > MAX_LOG_TEXT_HIGHEST) return false;
    }
    number = static_cast<DWORD>(value);
    return true;
}

bool MaxLogTextIn(const RequiredKey& key, DWORD& limit) {
    // A value of another type would read as 0 and cut every text away.
    RequiredKey::Value value = key.Read(MAX_LOG_TEXT);
    switch (value.type) {
    case REG_DWORD:
        limit = value.number;
        return true;
    case REG_SZ:
        return PlainNumber(value.text, limit);
    default:
        return false;
    }
}

bool LogPatternIn(const RequiredKey& key, string& pattern) { return key.TextIn(SCRIPT_LOG_PATH, pattern, true); }

bool LogFormatIn(const RequiredKey& key, string& format) { return key.TextIn(LOG_FORMAT, format); }

bool LogDeliveryIn(const RequiredKey& key, string& delivery) { return key.TextIn(LOG_DELIVERY, delivery); }

bool LogCollectorIn(const RequiredKey& key, string& collector) { return key.TextIn(LOG_COLLECTOR, collector); }

bool LogSpoolMiBIn(const RequiredKey& key, RequiredKey::Value& mib) {
    RequiredKey::Value value = key.Read(LOG_SPOOL_MIB);
    if (value.type != REG_DWORD) return false;
    mib = value;
    return true;
}

// More days than the highest "Log Keep Days" count as that many.
static DWORD KeptDays(DWORD days) { return days > LOG_KEEP_DAYS_HIGHEST ? LOG_KEEP_DAYS_HIGHEST : days; }

bool LogKeepDaysIn(const RequiredKey& key, DWORD& days) {
    if (!key.NumberIn(LOG_KEEP_DAYS, days)) return false;
    days = KeptDays(days);
    return true;
}

bool DefaultKeepDaysIn(const RequiredKey& key, DWORD& days) {
    RequiredKey::Value value = key.Read(LOG_KEEP_DAYS);
    if (value.type == REG_DWORD) {
        days = KeptDays(value.number);
        return true;
    }
    if (value.type != REG_SZ || !PlainNumber(value.text, days)) return false;
    days = KeptDays(days);
    return true;
}

// Of each setting the first policy key that holds it in a form it takes
// decides it: the machine's before the user's.
template <class T>
static bool FromPolicies(const PolicyKeys& policies, bool (*read)(const RequiredKey&, T&), T& value) {
    return read(policies.Machine(), value) || read(policies.User(), value);
}

LogSettings ReadLogSettings(const RequiredKey& user) {
    PolicyKeys policies(POLICY_KEY);
    LogSettings settings;
    if (!FromPolicies(policies, LogPatternIn, settings.pattern)) settings.pattern = user.Text(SCRIPT_LOG_PATH);
    if (!FromPolicies(policies, LogKeepDaysIn, settings.keepDays)) LogKeepDaysIn(user, settings.keepDays);
    if (!FromPolicies(policies, MaxLogTextIn, settings.limit)) MaxLogTextIn(user, settings.limit);
    if (!FromPolicies(policies, LogFormatIn, settings.format)) LogFormatIn(user, settings.format);
    if (!FromPolicies(policies, LogDeliveryIn, settings.delivery)) LogDeliveryIn(user, settings.delivery);
    if (!FromPolicies(policies, LogCollectorIn, settings.collector)) LogCollectorIn(user, settings.collector);
    // The user's value of any type, so that one of the wrong type is named.
    if (!FromPolicies(policies, LogSpoolMiBIn, settings.spoolMiB) && user) settings.spoolMiB = user.Read(LOG_SPOOL_MIB);
    return settings;
}
