// aRvik.SetProp: a Session Props value kept for every later session, and
// set in this one; an empty value removes it.
#include "Commands.h"

#include <TASession.h>

#include "RequiredKey.h"
#include "SessionProps.h"

using TAXDK::Tallivant::TASession;

void SetProp(TASession& values, CommandState&) {
    string name = values.GetString("aRvik.Name");
    if (!name.empty()) {
        string value = values.GetString("aRvik.Value");
        RequiredKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_ALL_ACCESS);
        if (!value.empty()) {
            props.Write(name, value.c_str());
            values.SetString(name, value);
        } else {
            // A value that stays would come back with the next session.
            props.Remove(name);
            values.Clear(name);
        }
    }
    values.Clear("aRvik.Name");
    values.Clear("aRvik.Value");
}
