// The script log's settings as the registry holds them.
//
// The settings live under HKEY_CURRENT_USER in PLUGIN_KEY: "Script LogPath"
// is the path pattern of the log file (see Log/ScriptLog.h); "Max LogText"
// is the longest text, in bytes, written without cutting (unsigned; 32768
// when missing); "Log Keep Days", a REG_DWORD, is how many days of dated
// files are kept (0, missing or of another type: all of them; more than
// LOG_KEEP_DAYS_HIGHEST of SettingLimits.h count as that many); "Log
// Format", a REG_SZ, is the form of the entries (Log/LogFormat.h); "Log
// Delivery", a REG_SZ, how they travel, "Log Spool MiB" the bound of the
// spool, a REG_DWORD (of the user's key read in any type, so that one of
// another type is refused, naming it), and "Log Collector", a REG_SZ, the
// syslog collector (Log/LogRoute.h judges them). A policy
// (Policy.h) that holds a setting in a form it takes decides it instead of
// the user's key.
#pragma once

#include <windows.h>

#include <str.h>

#include "Settings/RequiredKey.h"

struct LogSettings {
    string pattern;      // as written
    DWORD limit = 0x8000;
    DWORD keepDays = 0;  // keep all
    string format;       // as written; empty when missing
    string delivery;     // as written; empty when missing
    RequiredKey::Value spoolMiB;  // as stored; REG_NONE when missing
    string collector;    // as written; empty when missing
};

// The settings of the user's open key (empty: none), each decided by the
// first policy that holds it in a form it takes, the machine's before the
// user's. The user's "Script LogPath" is read as the support library reads
// a text (a REG_DWORD as its digits); a missing one is the empty text.
LogSettings ReadLogSettings(const RequiredKey& user);

// A setting of an open key (empty: none) in a form it takes: "Script
// LogPath" a REG_SZ or REG_EXPAND_SZ; "Max LogText" a REG_DWORD, or a
// REG_SZ of decimal digits only up to MAX_LOG_TEXT_HIGHEST; "Log Keep
// Days" a REG_DWORD; "Log Format" a REG_SZ, whatever it holds. False, the
// value untouched, for any other.
bool LogPatternIn(const RequiredKey& key, string& pattern);
bool MaxLogTextIn(const RequiredKey& key, DWORD& limit);
bool LogKeepDaysIn(const RequiredKey& key, DWORD& days);
bool LogFormatIn(const RequiredKey& key, string& format);
// "Log Delivery" and "Log Collector" a REG_SZ; "Log Spool MiB" a REG_DWORD.
bool LogDeliveryIn(const RequiredKey& key, string& delivery);
bool LogSpoolMiBIn(const RequiredKey& key, RequiredKey::Value& mib);
bool LogCollectorIn(const RequiredKey& key, string& collector);
// "Log Keep Days" of the machine's defaults, which the installers write as
// text: a REG_DWORD, or a REG_SZ as "Max LogText" takes it.
bool DefaultKeepDaysIn(const RequiredKey& key, DWORD& days);
