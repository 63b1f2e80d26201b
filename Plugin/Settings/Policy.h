// The administrator's settings: POLICY_KEY below HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER, as Group Policy writes them (its template is
// installer/PolicyDefinitions/aRvik.admx). They are read in the native
// registry view, where Group Policy writes; the 32-bit module would
// otherwise read the redirected one. A key that is missing or denies
// reading counts as absent. Of each setting the machine's value wins over
// the user's, and both over the user's own settings; a value of a form the
// setting does not take counts as absent, so the next one down decides.
#pragma once

#include <windows.h>

#include <map.h>
#include <str.h>

#include "Settings/RequiredKey.h"

// A key below both roots' policies, opened for reading; empty where it is
// absent.
class PolicyKeys {
public:
    explicit PolicyKeys(const char* path);
    PolicyKeys(const PolicyKeys&) = delete;
    PolicyKeys& operator=(const PolicyKeys&) = delete;

    const RequiredKey& Machine() const { return machine_; }
    const RequiredKey& User() const { return user_; }

private:
    RequiredKey machine_, user_;
};

// The policies' Session Props into props (emptied first), name to text: a
// REG_SZ as it is, a REG_DWORD as unsigned decimal text; the machine's
// value where both roots name one. Values of other types and empty names
// are left out.
void ReadPolicySessionProps(map<keystring, string>& props);
