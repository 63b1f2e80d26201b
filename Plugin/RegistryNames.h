// The registry keys and values of the plug-in, in one place; the stand-in
// host takes its names from here too. Keys are paths below the root their
// comment names; each is built from the key it lies in.
#pragma once

// HKEY_LOCAL_MACHINE: the product ("Root Path", "Log Root", read only).
#define PRODUCT_KEY "Software\\Kelmir\\Tallivant"

// The same paths below two roots: under HKEY_LOCAL_MACHINE the host's lists
// of plug-ins and this plug-in's entries in them ("CLSID"); under
// HKEY_CURRENT_USER the plug-ins' settings and this plug-in's.
#define PLUGINS_KEY PRODUCT_KEY "\\Plugins"
#define CONTROL_PLUGINS_KEY PRODUCT_KEY "\\Control Plugins"
#define PLUGIN_KEY PLUGINS_KEY "\\aRvik"
#define CONTROL_PLUGIN_KEY CONTROL_PLUGINS_KEY "\\aRvik"

// HKEY_CURRENT_USER: the additional session properties.
#define SESSION_PROPS_KEY PLUGIN_KEY "\\Session Props"

// Values of PLUGIN_KEY under HKEY_CURRENT_USER.
#define SCRIPT_LOG_PATH "Script LogPath"
#define MAX_LOG_TEXT "Max LogText"
#define LOG_KEEP_DAYS "Log Keep Days"
#define CONTROL_DISABLED "Control Disabled"
