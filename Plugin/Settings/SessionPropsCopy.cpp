#include "Settings/SessionPropsCopy.h"

#include <RegistryNames.h>
#include <TASession.h>

#include "Settings/Policy.h"
#include "Settings/RequiredKey.h"
#include "Settings/SessionProps.h"

void CopySessionProps(IUnknown* session) {
    RequiredKey props = RequiredKey::Optional(HKEY_CURRENT_USER, SESSION_PROPS_KEY, KEY_READ);
    map<keystring, string> policy;
    ReadPolicySessionProps(policy);
    if (!props && !policy.Count()) return;
    TAXDK::Tallivant::TASession values(session);
    if (props)
        ForEachSessionProp(props, &FixedAt::kSessionPropsCopy, [&values](const string& name, const RequiredKey::Value& value) {
            if (value.type == REG_SZ)
                values.SetString(name, value.text);
            else if (value.type == REG_DWORD)
                values.SetUnsigned(name, value.number);
        });
    // The administrator's after the user's own, so that they win.
    for (int i = 0; i < policy.Count(); ++i) values.SetString(policy.At(i).key, policy.At(i).value);
}
