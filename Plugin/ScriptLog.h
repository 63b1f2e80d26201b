// The script log's settings and the form of its texts.
//
// The settings live under HKEY_CURRENT_USER in PLUGIN_KEY: "Script LogPath"
// is the path pattern of the log file, whose first "*" stands for the date
// as "(YYYY-MM-DD)"; "Max LogText" is the longest text, in bytes, written
// without cutting (unsigned; 32768 when missing).
#pragma once

#include <windows.h>

#include <fwjot/Jotter.h>
#include <str.h>

#include "Plugin.h"


// "Max LogText" of the open key, read through a borrowing RegKey: a
// REG_DWORD, or a REG_SZ of decimal digits only; 32768 when the key is not
// open, the value is missing or it is anything else.
DWORD MaxLogText(HKEY pluginKey);

// The log's path from pattern with today's date in place of the first "*"
// (later ones stay); set while holding the log's critical section.
void SetScriptLogPath(Jotter& log, const char* pattern);

// A text as long as limit or longer becomes "[N байт]\r\n", its first limit
// bytes and "\r\n..."; a shorter one stays as it is.
string LimitLogText(const string& text, DWORD limit);
