#include "Settings/SessionPropsCopy.h"

#include <RegistryNames.h>
#include <TASession.h>
#include <fwwin/RegKey.h>

#include "Settings/Policy.h"
#include "Settings/SessionProps.h"

void CopySessionProps(IUnknown* session) {
    RegKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, false, KEY_READ);
    map<keystring, string> policy;
    ReadPolicySessionProps(policy);
    if (!props.key && !policy.Count()) return;
    TAXDK::Tallivant::TASession values(session);
    if (props.key)
        ForEachSessionProp(props.key, &FixedAt::kSessionPropsCopy, [&values, &props](const string& name, DWORD type) {
            if (type == REG_SZ)
                values.SetString(name, props[name].Text());
            else if (type == REG_DWORD)
                values.SetUnsigned(name, props[name].Number());
        });
    // The administrator's after the user's own, so that they win.
    for (int i = 0; i < policy.Count(); ++i) values.SetString(policy.At(i).key, policy.At(i).value);
}
