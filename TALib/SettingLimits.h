// The ranges of the plug-in's number settings, in one place. Each runs
// from 0 to the number below. The plug-in compiles them; the installers
// take theirs from the lines themselves (installer/make-setup.sh and
// make-msi.sh read every "#define NAME DIGITS" line), and the Group Policy
// template, static XML, is compared with them by policy_test.
#pragma once

// "Max LogText", in bytes: whatever a REG_DWORD holds.
#define MAX_LOG_TEXT_HIGHEST 4294967295
// "Log Keep Days": a hundred years; the plug-in takes a larger number as this.
#define LOG_KEEP_DAYS_HIGHEST 36500
// "Log Spool MiB": from 1 (not 0) to this; 64 when missing.
#define LOG_SPOOL_MIB_HIGHEST 4096
