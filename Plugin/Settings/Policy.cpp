#include "Settings/Policy.h"

#include <fwbase/Format.h>

#include <RegistryNames.h>
#include "Settings/SessionProps.h"

static RequiredKey OpenPolicy(HKEY root, const char* path) {
    return RequiredKey::Optional(root, path, KEY_READ | KEY_WOW64_64KEY);
}

PolicyKeys::PolicyKeys(const char* path)
    : machine_(OpenPolicy(HKEY_LOCAL_MACHINE, path)), user_(OpenPolicy(HKEY_CURRENT_USER, path)) {}

void ReadPolicySessionProps(map<keystring, string>& props) {
    props.Delete(0, -1);
    PolicyKeys policies(POLICY_SESSION_PROPS_KEY);
    // The machine's first: a name already taken stays as it is.
    const RequiredKey* keys[2] = {&policies.Machine(), &policies.User()};
    for (const RequiredKey* key : keys) {
        if (!*key) continue;
        ForEachSessionProp(*key, nullptr, [&props](const string& name, const RequiredKey::Value& value) {
            if (value.type == REG_SZ)
                props.Insert(keystring(name), value.text);
            else if (value.type == REG_DWORD)
                props.Insert(keystring(name), Format(NumberPlain, value.number, 0));
        });
    }
}
