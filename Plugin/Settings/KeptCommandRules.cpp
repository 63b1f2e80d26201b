#include "Settings/KeptCommandRules.h"


KeptCommandRules::KeptCommandRules() : watch_(false), waits_(), armed_(false), stale_(1) {}

KeptCommandRules::~KeptCommandRules() { Disarm(); }

bool KeptCommandRules::Allows(const keystring& name) {
    Trevan::Lock hold(lock_);
    Refresh();
    return rules_.Allows(name);
}

UnknownCommands KeptCommandRules::Unknown() {
    Trevan::Lock hold(lock_);
    Refresh();
    return rules_.Unknown();
}

// Runs on the system's wait thread: only the flag, no lock.
VOID CALLBACK KeptCommandRules::Reported(PVOID self, BOOLEAN) {
    InterlockedExchange(&static_cast<KeptCommandRules*>(self)->stale_, 1);
}

// The flag is cleared before the watch is set again and the rules are
// read, so a change made meanwhile sets it once more.
void KeptCommandRules::Refresh() {
    if (armed_ && !stale_) return;
    InterlockedExchange(&stale_, 0);
    Disarm();
    watch_.Update();
    if (watch_.Watching()) Arm();
    rules_ = ReadCommandRules(watch_.Key());
}

// One wait per report, each once: the report stays set until the watch is
// set again, so a wait that went on would run again and again.
void KeptCommandRules::Arm() {
    for (unsigned i = 0; i < SettingsWatch::kReports; ++i)
        if (!RegisterWaitForSingleObject(&waits_[i], watch_.Report(i), Reported, this, INFINITE,
                                         WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD)) {
            waits_[i] = nullptr;
            Disarm();
            return;
        }
    armed_ = true;
}

void KeptCommandRules::Disarm() {
    armed_ = false;
    for (HANDLE& wait : waits_)
        if (wait) {
            UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
            wait = nullptr;
        }
}
