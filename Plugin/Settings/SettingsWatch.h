// SettingsWatch: what tells that the user's settings or the policies may
// have changed. Four watches (RegistryWatch): the plug-in key (a value set
// or removed, a subkey made or removed, its access list changed), its
// parent's subkeys (the key deleted or made), and everything below each
// root's POLICIES_KEY (while that is missing, its parent's subkeys). The
// system sets a report as the change is made, so a change is seen by the
// next look, whoever made it. Only the watch whose report came is set
// again. When a watch cannot be set (a parent that denies change reports),
// nothing is watched and every Update reads afresh. A watch made without
// makeKey never makes the plug-in key: while it is missing (or cannot be
// opened) Key() is empty and the parent's watch tells of its making.
//
// Changed may be called by any thread at any time; Update, Key and
// Watching only under the owner's lock.
#pragma once

#include <windows.h>

#include <owned.h>

#include "Settings/RegistryWatch.h"
#include "Settings/RequiredKey.h"

class SettingsWatch {
public:
    explicit SettingsWatch(bool makeKey = true);
    SettingsWatch(const SettingsWatch&) = delete;
    SettingsWatch& operator=(const SettingsWatch&) = delete;

    // A report may have come: one wait over every report, without waiting.
    bool Changed() const;
    // Acts on the reports that came. True when the settings must be read
    // from Key(): at the first call, after a report, and at every call
    // while nothing is watched. The key is opened for reading and change
    // reports, and with makeKey made when missing; one that can be neither
    // throws its reason naming the key (RequiredKey), and the next Update
    // tries again.
    bool Update();
    const RequiredKey& Key() const { return state_ == Unwatched ? unwatched_ : key_.Key(); }
    bool Watching() const { return state_ == Watched; }

    // How many watches have been set so far.
    unsigned Watches() const { return watches_; }

    // The events of the four watches (0 to kReports - 1), for an owner
    // that waits on them in a wait of its own; Changed waits on them all.
    static const unsigned kReports = 4;
    HANDLE Report(unsigned i) const {
        return i == 0 ? key_.Report() : i == 1 ? parent_.Report() : policies_[i - 2].Report();
    }

private:
    enum State { Unread, Watched, Unwatched };

    bool Start();
    RequiredKey OpenSettings() const;
    bool WatchKey(RequiredKey key);
    bool Watch(RegistryWatch& watch, RequiredKey key, DWORD filter, bool subtree = false);
    bool Again(RegistryWatch& watch);
    bool WatchPolicies(RegistryWatch& policies, HKEY root);
    bool Unwatch();

    const bool makeKey_;
    State state_;
    RegistryWatch key_;
    RegistryWatch parent_;
    RegistryWatch policies_[2];  // the machine's and the user's
    RequiredKey unwatched_;      // the key read while nothing is watched
    KernelHandle alwaysSet_;     // ends the wait when no report is set
    volatile unsigned watches_;
};
