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
#define SESSION_PROPS "Session Props"
#define SESSION_PROPS_KEY PLUGIN_KEY "\\" SESSION_PROPS

// HKEY_LOCAL_MACHINE, in the view of the host's entries (the 32-bit one for
// the shipped module): the machine's defaults, copied into a user's
// PLUGIN_KEY where the user's values are missing, once, at the user's first
// start. They hold SCRIPT_LOG_PATH, MAX_LOG_TEXT, LOG_KEEP_DAYS and a
// SESSION_PROPS subkey; installers write them.
#define DEFAULTS_KEY PLUGIN_KEY "\\Defaults"
#define DEFAULT_SESSION_PROPS_KEY DEFAULTS_KEY "\\" SESSION_PROPS

// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, in the native view where Group
// Policy writes: the administrator's settings, the machine's over the
// user's, both over the user's own. The same values and subkey as
// DEFAULTS_KEY. POLICIES_KEY is where every program's policies live.
#define POLICIES_KEY "Software\\Policies"
#define POLICY_KEY POLICIES_KEY "\\Kelmir\\Tallivant\\aRvik"
#define POLICY_SESSION_PROPS_KEY POLICY_KEY "\\" SESSION_PROPS

// Values of PLUGIN_KEY under HKEY_CURRENT_USER (the first three also of
// DEFAULTS_KEY and POLICY_KEY; CONTROL_DISABLED and UNKNOWN_COMMANDS also
// of POLICY_KEY).
#define SCRIPT_LOG_PATH "Script LogPath"
#define MAX_LOG_TEXT "Max LogText"
#define LOG_KEEP_DAYS "Log Keep Days"
#define CONTROL_DISABLED "Control Disabled"
#define UNKNOWN_COMMANDS "Unknown Commands"

// Also a value of PLUGIN_KEY, DEFAULTS_KEY and POLICY_KEY: the form of the
// script log's entries, a REG_SZ (Plugin/Log/LogFormat.h).
#define LOG_FORMAT "Log Format"

// Also values of PLUGIN_KEY, DEFAULTS_KEY and POLICY_KEY: how the script
// log's entries travel, a REG_SZ ("direct" or "spooled"); the bound of its
// spool in MiB, a REG_DWORD; the syslog collector it delivers to, a REG_SZ
// (Plugin/Log/Collector.h).
#define LOG_DELIVERY "Log Delivery"
#define LOG_SPOOL_MIB "Log Spool MiB"
#define LOG_COLLECTOR "Log Collector"

// A value of POLICY_KEY only: the commands an administrator allows.
#define ALLOWED_COMMANDS "Allowed Commands"
