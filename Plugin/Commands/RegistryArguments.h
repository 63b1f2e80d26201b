// RegistryArguments: what the registry commands share: the key RegKey
// names, the value RegValue names (empty: the default value, or none),
// the view RegView asks for, each refused before the registry is touched,
// and their failures, which name the key (and the value where it is the
// one at fault).
#pragma once

#include <windows.h>

#include <exceptions.h>
#include <owned.h>
#include <str.h>

#include "Commands/CommandArguments.h"
#include "Registry/RegistryPath.h"

class RegistryArguments {
public:
    // Takes RegKey and RegValue (both stay) and RegView (cleared when
    // given); throws when the key names no root or the view is none.
    explicit RegistryArguments(CommandArguments& arguments);

    const RegistryPath& Path() const { return path_; }
    REGSAM View() const { return view_; }
    const wchar_t* Value() const { return value_; }

    // The key opened with access (in the view), or the failure of action
    // ("прочитать значение реестра"): "раздел не найден", "нет доступа".
    RegistryKey Open(REGSAM access, const char* action) const;

    // "Не удалось ACTION (REASON): aRvik.RegKey=TEXT", and
    // ", aRvik.RegValue=TEXT" when the value is the one at fault (error 2
    // is then "значение не найдено").
    KLAppException Failure(const char* action, LONG error, bool ofValue) const;
    KLAppException Failure(const char* action, const char* reason, bool ofValue) const;

private:
    // The host's own texts, read in place: valid while the command runs,
    // which never writes them.
    const wchar_t* key_;
    const wchar_t* value_;
    RegistryPath path_;
    REGSAM view_ = 0;
};
