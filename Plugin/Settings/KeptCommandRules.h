// KeptCommandRules: the command rules (CommandPolicy.h) that one session
// extender keeps from one command to the next. The first command reads
// them and starts a SettingsWatch over the user's settings and both roots'
// policies; a registered wait on each of its reports sets a flag when the
// system reports a change, and only a command that finds the flag set reads
// the rules again. So a command in steady state asks nothing of the system:
// it reads the flag and the kept rules. The system reports a change
// asynchronously: a change counts within moments, not necessarily from the
// very next command. When nothing can be watched (a report or a wait that
// cannot be set), the rules are read at every command. No key is made: a
// missing settings key counts as empty, and its making is reported by its
// parent's watch. Safe for any number of threads.
#pragma once

#include <windows.h>

#include <Trevan/CriticalSection.h>
#include <str.h>

#include "Settings/CommandPolicy.h"
#include "Settings/SettingsWatch.h"

class KeptCommandRules {
public:
    KeptCommandRules();
    // Ends the waits, after a report's callback that runs, if one does.
    ~KeptCommandRules();
    KeptCommandRules(const KeptCommandRules&) = delete;
    KeptCommandRules& operator=(const KeptCommandRules&) = delete;

    bool Allows(const keystring& name);
    // Throws the failure of a value that is neither "ignore" nor "fail".
    UnknownCommands Unknown();

private:
    void Refresh();
    void Arm();
    void Disarm();
    static VOID CALLBACK Reported(PVOID self, BOOLEAN);

    Trevan::CriticalSection lock_;
    SettingsWatch watch_;
    HANDLE waits_[SettingsWatch::kReports];
    bool armed_;            // every wait is registered
    volatile LONG stale_;   // a report came since the rules were read
    CommandRules rules_;
};
