// aRvik.SetProp: a Session Props value kept for every later session, and
// set in this one; an empty value removes it.
#include "Commands/Commands.h"

#include <RegistryNames.h>
#include <TASession.h>
#include <exceptions.h>
#include <fwbase/Format.h>

#include "Commands/CommandArguments.h"
#include "Settings/RequiredKey.h"
#include "Settings/SessionProps.h"

using TAXDK::Tallivant::TASession;

static const char kName[] = "aRvik.Name";

void SetProp(TASession& values) {
    CommandArguments arguments(values);
    string name = arguments.Text(kName);
    // The registry holds value names of 16383 characters at most.
    if (name.length() > 16383)
        throw KLAppException(FormatBuffer(96, "Имя параметра длиннее 16383 знаков (%lu): ",
                                          static_cast<unsigned long>(name.length())) +
                             kName);
    // Cleared also when no name is given, and then not read.
    CommandArguments::Later valueGiven = arguments.TextLater("aRvik.Value");
    if (!name.empty()) {
        string value = valueGiven.Text();
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
    arguments.Done();
}
