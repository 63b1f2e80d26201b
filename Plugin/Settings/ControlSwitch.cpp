#include "Settings/ControlSwitch.h"

#include <RegistryNames.h>

#include "Settings/Policy.h"

bool ControlPageHidden() {
    DWORD hidden = 0;
    {
        PolicyKeys policies(POLICY_KEY);
        if (policies.Machine().NumberIn(CONTROL_DISABLED, hidden) || policies.User().NumberIn(CONTROL_DISABLED, hidden))
            return hidden != 0;
    }
    return RequiredKey::Optional(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_READ).Number(CONTROL_DISABLED) != 0;
}
