#include "Settings/CommandPolicy.h"

#include <string.h>

#include <RegistryNames.h>
#include <ShownText.h>
#include <exceptions.h>
#include <refs.h>

#include "Settings/Policy.h"

namespace {

enum class Listed { Absent, Yes, No };

// "Allowed Commands" of one policy key, as to name.
Listed OnList(const RequiredKey& key, const keystring& name) {
    if (!key) return Listed::Absent;
    // Most lists fit a small buffer and are read in one call; a longer one
    // is read again into a buffer of its size, until it fits. Two
    // terminators more than the data end every form, also one stored
    // without its own.
    char small[512];
    aptr<char> large;
    char* data = small;
    DWORD capacity = sizeof small - 2, size = capacity, type = REG_NONE;
    LONG result;
    while ((result = RegQueryValueExA(key.Get(), ALLOWED_COMMANDS, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                      &size)) == ERROR_MORE_DATA) {
        capacity = size;
        large = new char[capacity + 2];
        data = large.get();
    }
    if (result == ERROR_FILE_NOT_FOUND) return Listed::Absent;
    // Present but unreadable, or of a type that lists nothing: nothing is
    // allowed.
    if (result != ERROR_SUCCESS || (type != REG_MULTI_SZ && type != REG_SZ)) return Listed::No;
    if (size > capacity) size = capacity;
    data[size] = data[size + 1] = 0;
    for (const char* line = data; line < data + size; line += strlen(line) + 1) {
        if (*line && name == line) return Listed::Yes;
        if (type == REG_SZ) break;  // one name, up to its first terminator
    }
    return Listed::No;
}

bool UnknownCommandsIn(const RequiredKey& key, string& text) { return key.TextIn(UNKNOWN_COMMANDS, text); }

}  // namespace

bool CommandAllowed(const keystring& name) {
    PolicyKeys policies(POLICY_KEY);
    Listed listed = OnList(policies.Machine(), name);
    if (listed == Listed::Absent) listed = OnList(policies.User(), name);
    return listed != Listed::No;
}

UnknownCommands ReadUnknownCommands() {
    string text;
    {
        PolicyKeys policies(POLICY_KEY);
        if (!UnknownCommandsIn(policies.Machine(), text) && !UnknownCommandsIn(policies.User(), text) &&
            !UnknownCommandsIn(RequiredKey::Optional(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_READ), text))
            return UnknownCommands::Ignore;
    }
    keystring mode(text);
    if (mode == "ignore") return UnknownCommands::Ignore;
    if (mode == "fail") return UnknownCommands::Fail;
    throw KLAppException(string("Неверное значение настройки: " UNKNOWN_COMMANDS "=") +
                         TAXDK::Standard::ShownText(text.c_str()) + " (допустимо: ignore, fail)");
}
