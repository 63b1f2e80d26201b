// The registry keys and values of the plug-in, in one place. Keys are
// paths below the root their comment names; each is built from the key
// it lies in.
#pragma once

// HKEY_LOCAL_MACHINE: the product ("Root Path", "Log Root", read only) and
// its lists of plug-ins.
#define PRODUCT_KEY "Software\\Kelmir\\Tallivant"
#define HOST_PLUGINS_KEY PRODUCT_KEY "\\Plugins"
#define HOST_CONTROL_PLUGINS_KEY PRODUCT_KEY "\\Control Plugins"
#define HOST_PLUGIN_KEY HOST_PLUGINS_KEY "\\aRvik"
#define HOST_CONTROL_PLUGIN_KEY HOST_CONTROL_PLUGINS_KEY "\\aRvik"

// HKEY_CURRENT_USER: the plug-ins' settings, this plug-in's, and the
// additional session properties.
#define PLUGINS_KEY PRODUCT_KEY "\\Plugins"
#define PLUGIN_KEY PLUGINS_KEY "\\aRvik"
#define SESSION_PROPS_KEY PLUGIN_KEY "\\Session Props"

// Values of PLUGIN_KEY.
#define SCRIPT_LOG_PATH "Script LogPath"
#define MAX_LOG_TEXT "Max LogText"
#define CONTROL_DISABLED "Control Disabled"
