#include "Settings/Policy.h"

#include <fwbase/Format.h>
#include <fwwin/RegKey.h>

#include <RegistryNames.h>
#include "Settings/SessionProps.h"

static RegistryKey OpenPolicy(HKEY root, const char* path) {
    RegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WOW64_64KEY, key.Put()) != ERROR_SUCCESS) key.Detach();
    return key;
}

PolicyKeys::PolicyKeys(const char* path)
    : machine_(OpenPolicy(HKEY_LOCAL_MACHINE, path)), user_(OpenPolicy(HKEY_CURRENT_USER, path)) {}

void ReadPolicySessionProps(map<keystring, string>& props) {
    props.Delete(0, -1);
    PolicyKeys policies(POLICY_SESSION_PROPS_KEY);
    // The machine's first: a name already taken stays as it is.
    const HKEY keys[2] = {policies.Machine(), policies.User()};
    for (HKEY key : keys) {
        if (!key) continue;
        RegKey values(key);
        ForEachSessionProp(key, nullptr, [&props, &values](const string& name, DWORD type) {
            if (type == REG_SZ)
                props.Insert(keystring(name), values[name].Text());
            else if (type == REG_DWORD)
                props.Insert(keystring(name), Format(NumberPlain, values[name].Number(), 0));
        });
    }
}
