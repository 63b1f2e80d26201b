// A user's first settings: what installation writes for the account that
// runs it, written for every other user at the plug-in's first start in
// theirs.
//
// They are due while the user's PLUGIN_KEY lacks "Script LogPath" (one that
// exists, even empty, is the user's choice). Then the machine's defaults
// (DEFAULTS_KEY) are copied where the user's own values are missing: "Max
// LogText" and "Log Keep Days" as REG_DWORD, from a REG_DWORD or, as the
// installers write them, a REG_SZ of digits; "Log Format", "Log Delivery"
// and "Log Collector" as the REG_SZ each is, "Log Spool MiB" as the
// REG_DWORD it is; and the REG_SZ and REG_DWORD values of its Session Props, into
// the user's Session Props, made when missing. "Script LogPath" comes last: the default's (REG_SZ or
// REG_EXPAND_SZ), else the log root's "Script\DebugLog *.txt". A failure
// before it leaves them due for the next start.
#pragma once

// One look at the user's key.
bool FirstSettingsDue();

// Writes them when due; throws the reason of a key that cannot be opened
// or written.
void WriteFirstSettings();
