#include "Settings/FirstSettings.h"

#include <LogLocations.h>
#include <fwbase/Path.h>
#include <fwwin/RegKey.h>

#include <RegistryNames.h>
#include "Settings/RequiredKey.h"
#include "Log/ScriptLog.h"
#include "Settings/SessionProps.h"

bool FirstSettingsDue() {
    RegKey settings(HKEY_CURRENT_USER, PLUGIN_KEY, false, KEY_QUERY_VALUE);
    return !settings.key || !settings[SCRIPT_LOG_PATH].Valid();
}

// The default Session Props that the user's lack. A defaults key that
// cannot be read counts as empty.
static void CopySessionProps(HKEY defaults) {
    RequiredKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_READ | KEY_SET_VALUE);
    if (!defaults) return;
    RegKey values(defaults);
    ForEachSessionProp(defaults, nullptr, [&props, &values](const string& name, DWORD type) {
        if ((type != REG_SZ && type != REG_DWORD) || props.Has(name)) return;
        if (type == REG_SZ)
            props.Write(name, values[name].Text().c_str());
        else
            props.Write(name, values[name].Number());
    });
}

void WriteFirstSettings() {
    RequiredKey settings(HKEY_CURRENT_USER, PLUGIN_KEY, true, KEY_ALL_ACCESS);
    if (settings.Has(SCRIPT_LOG_PATH)) return;
    // The view where the host's entries are: the installers write there.
    RegKey defaults(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, false, KEY_READ);
    DWORD number = 0;
    if (!settings.Has(MAX_LOG_TEXT) && MaxLogTextIn(defaults.key, number)) settings.Write(MAX_LOG_TEXT, number);
    if (!settings.Has(LOG_KEEP_DAYS) && DefaultKeepDaysIn(defaults.key, number)) settings.Write(LOG_KEEP_DAYS, number);
    RegKey defaultProps(HKEY_LOCAL_MACHINE, DEFAULT_SESSION_PROPS_KEY, false, KEY_READ);
    CopySessionProps(defaultProps.key);
    string pattern;
    if (!LogPatternIn(defaults.key, pattern)) pattern = MakePathSpec(LogRootPath().c_str()) + "Script\\DebugLog *.txt";
    settings.Write(SCRIPT_LOG_PATH, pattern.c_str());
}
