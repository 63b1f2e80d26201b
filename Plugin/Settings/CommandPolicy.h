// What the administrator, and for unknown names the user, decide about the
// commands a script names, read at one moment (KeptCommandRules.h keeps
// it between commands). Reading makes no key.
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

#include <vector>

#include <str.h>

#include "Settings/RequiredKey.h"

enum class UnknownCommands { Ignore, Fail };

class CommandRules {
public:
    bool Allows(const keystring& name) const;
    // "ignore" or "fail", without regard to case; any other text throws
    // KLAppException naming the setting and the text.
    UnknownCommands Unknown() const;

private:
    friend CommandRules ReadCommandRules(const RequiredKey& settings);

    bool restricted_ = false;         // a list applies
    std::vector<keystring> allowed_;  // the list, where one applies
    string unknownText_;              // "Unknown Commands" as written, if set
    bool unknownSet_ = false;
};

// The rules as they stand; settings is the user's PLUGIN_KEY (may be empty).
CommandRules ReadCommandRules(const RequiredKey& settings);
