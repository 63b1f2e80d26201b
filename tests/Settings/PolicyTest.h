// Shared by the policy tests: the user's plug-in key, both roots' policies
// and the machine's defaults, removed at the start and put back as they
// were afterwards; the extender and session of the command tests. The
// policies are in the native registry view, where Group Policy writes them
// (a 32-bit test in a 64-bit prefix sees another view by default); the
// defaults in the view of the host's entries, the program's own.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include <RegistryNames.h>

#include "Commands/CommandsTest.h"
#include "common/SavedKey.h"

using Texts = std::vector<std::string>;

struct PolicyTest : CommandTest {
    SavedKey user{HKEY_CURRENT_USER, PLUGIN_KEY}, userPolicy{HKEY_CURRENT_USER, POLICY_KEY, KEY_WOW64_64KEY},
        machinePolicy{HKEY_LOCAL_MACHINE, POLICY_KEY, KEY_WOW64_64KEY}, defaults{HKEY_LOCAL_MACHINE, DEFAULTS_KEY};

    PolicyTest();

    // The view of a key: the native one for policies.
    static REGSAM View(const std::wstring& key);
    // Removes a policy key of root with all below it.
    static void RemovePolicies(HKEY root);

    // A value below root, its key made when missing; wide, so that the
    // names of the template arrive as written.
    static void Put(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text,
                    DWORD type = REG_SZ);
    static void Put(HKEY root, const std::wstring& key, const std::wstring& name, DWORD number);
    static void Put(HKEY root, const char* key, const char* name, const std::string& text) {
        Put(root, Wide(key), Wide(name), Wide(text));
    }
    static void Put(HKEY root, const char* key, const char* name, DWORD number) {
        Put(root, Wide(key), Wide(name), number);
    }
    // "SZ:text", "DWORD:n", "TYPE<n>" for another type, "-" when missing.
    static std::string Stored(HKEY root, const char* key, const char* name);

    // Writes text as one entry, which must succeed.
    void Log(const std::string& text);
    // The session handed to the extender as a new one.
    void StartSession();
};

// An extender reads the command rules again once the system reported
// their change, which it does asynchronously: after a change, outcome is
// asked again (short sleeps, 5 s at most) until it gives expected. The last
// outcome, for an exact comparison.
std::string Eventually(const std::string& expected, const std::function<std::string()>& outcome);

// The entries of a log file, as Entries gives them; none without the file.
std::vector<std::string> LogEntries(const std::string& file);
