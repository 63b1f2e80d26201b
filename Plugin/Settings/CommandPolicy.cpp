#include "Settings/CommandPolicy.h"

#include <string.h>

#include <RegistryNames.h>
#include <ShownText.h>
#include <exceptions.h>
#include <refs.h>

#include "Settings/Policy.h"

namespace {

// "Allowed Commands" of one policy key into names; false where the key
// holds no such value.
bool ListIn(const RequiredKey& key, std::vector<keystring>& names) {
    if (!key) return false;
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
    if (result == ERROR_FILE_NOT_FOUND) return false;
    names.clear();
    // Present but unreadable, or of a type that lists nothing: nothing is
    // allowed.
    if (result != ERROR_SUCCESS || (type != REG_MULTI_SZ && type != REG_SZ)) return true;
    if (size > capacity) size = capacity;
    data[size] = data[size + 1] = 0;
    for (const char* line = data; line < data + size; line += strlen(line) + 1) {
        if (*line) names.push_back(keystring(string(line)));
        if (type == REG_SZ) break;  // one name, up to its first terminator
    }
    return true;
}

}  // namespace

CommandRules ReadCommandRules(const RequiredKey& settings) {
    CommandRules rules;
    PolicyKeys policies(POLICY_KEY);
    rules.restricted_ = ListIn(policies.Machine(), rules.allowed_) || ListIn(policies.User(), rules.allowed_);
    rules.unknownSet_ = policies.Machine().TextIn(UNKNOWN_COMMANDS, rules.unknownText_) ||
                        policies.User().TextIn(UNKNOWN_COMMANDS, rules.unknownText_) ||
                        settings.TextIn(UNKNOWN_COMMANDS, rules.unknownText_);
    return rules;
}

bool CommandRules::Allows(const keystring& name) const {
    if (!restricted_) return true;
    for (const keystring& allowed : allowed_)
        if (name == allowed) return true;
    return false;
}

UnknownCommands CommandRules::Unknown() const {
    if (!unknownSet_) return UnknownCommands::Ignore;
    keystring mode(unknownText_);
    if (mode == "ignore") return UnknownCommands::Ignore;
    if (mode == "fail") return UnknownCommands::Fail;
    throw KLAppException(string("Неверное значение настройки: " UNKNOWN_COMMANDS "=") +
                         TAXDK::Standard::ShownText(unknownText_.c_str()) + " (допустимо: ignore, fail)");
}
