#include "Settings/FirstSettings.h"

#include <LogLocations.h>
#include <fwbase/Path.h>

#include <RegistryNames.h>
#include "Settings/LogSettings.h"
#include "Settings/RequiredKey.h"
#include "Settings/SessionProps.h"

bool FirstSettingsDue() {
    RequiredKey settings = RequiredKey::Optional(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_QUERY_VALUE);
    return !settings.Has(SCRIPT_LOG_PATH);
}

// The default Session Props that the user's lack. A defaults key that
// cannot be read counts as empty.
static void CopySessionProps(const RequiredKey& defaults) {
    RequiredKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_READ | KEY_SET_VALUE);
    if (!defaults) return;
    ForEachSessionProp(defaults, nullptr, [&props](const string& name, const RequiredKey::Value& value) {
        if ((value.type != REG_SZ && value.type != REG_DWORD) || props.Has(name)) return;
        if (value.type == REG_SZ)
            props.Write(name, value.text.c_str());
        else
            props.Write(name, value.number);
    });
}

void WriteFirstSettings() {
    RequiredKey settings(HKEY_CURRENT_USER, PLUGIN_KEY, true, KEY_ALL_ACCESS);
    if (settings.Has(SCRIPT_LOG_PATH)) return;
    // The view where the host's entries are: the installers write there.
    RequiredKey defaults = RequiredKey::Optional(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, KEY_READ);
    DWORD number = 0;
    if (!settings.Has(MAX_LOG_TEXT) && MaxLogTextIn(defaults, number)) settings.Write(MAX_LOG_TEXT, number);
    if (!settings.Has(LOG_KEEP_DAYS) && DefaultKeepDaysIn(defaults, number)) settings.Write(LOG_KEEP_DAYS, number);
    string format;
    if (!settings.Has(LOG_FORMAT) && LogFormatIn(defaults, format)) settings.Write(LOG_FORMAT, format.c_str());
    string text;
    if (!settings.Has(LOG_DELIVERY) && LogDeliveryIn(defaults, text)) settings.Write(LOG_DELIVERY, text.c_str());
    if (!settings.Has(LOG_COLLECTOR) && LogCollectorIn(defaults, text)) settings.Write(LOG_COLLECTOR, text.c_str());
    RequiredKey::Value mib;
    if (!settings.Has(LOG_SPOOL_MIB) && LogSpoolMiBIn(defaults, mib)) settings.Write(LOG_SPOOL_MIB, mib.number);
    CopySessionProps(RequiredKey::Optional(HKEY_LOCAL_MACHINE, DEFAULT_SESSION_PROPS_KEY, KEY_READ));
    string pattern;
    if (!LogPatternIn(defaults, pattern)) pattern = MakePathSpec(LogRootPath().c_str()) + "Script\\DebugLog *.txt";
    settings.Write(SCRIPT_LOG_PATH, pattern.c_str());
}
