// What the administrator, and for unknown names the user, decide about the
// commands a script names. Both are read afresh at each command and make
// no key: a change counts from the next command.
//
// "Allowed Commands", a policy only (Policy.h): the machine's value, where
// it is present, decides, else the user's policy's; where neither holds
// one, every command is allowed. A REG_MULTI_SZ lists one name a line
// (empty lines name nothing: an empty list allows nothing), a REG_SZ is a
// list of its one name, and a value of any other type allows nothing, so
// that a restriction written in a wrong form never falls away unseen.
// Names match as the dispatch matches them: whole, without regard to case.
//
// "Unknown Commands": the machine's policy, the user's policy, then the
// user's own setting in PLUGIN_KEY; the first REG_SZ decides (a value of
// another type counts as absent); none: "ignore".
#pragma once

#include <str.h>

bool CommandAllowed(const keystring& name);

enum class UnknownCommands { Ignore, Fail };
// "ignore" or "fail", without regard to case; any other text throws
// KLAppException naming the setting and the text.
UnknownCommands ReadUnknownCommands();
