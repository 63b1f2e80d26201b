// aRvik.RegDelete: the value RegValue names in the key RegKey names; with
// RegValue empty, the key itself, only when it has no subkeys (a tree is
// never deleted whole), in the view RegView asks for.
#include "Commands/Commands.h"

#include <TASession.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/RegistryArguments.h"

using TAXDK::Tallivant::TASession;

static const char kValueAction[] = "удалить значение реестра";
static const char kKeyAction[] = "удалить раздел реестра";

void RegDelete(TASession& values) {
    CommandArguments arguments(values);
    RegistryArguments registry(arguments);
    const RegistryPath& path = registry.Path();
    if (*registry.Value()) {
        RegistryKey key = registry.Open(KEY_SET_VALUE, kValueAction);
        LONG error = RegDeleteValueW(key.get(), registry.Value());
        if (error != ERROR_SUCCESS) throw registry.Failure(kValueAction, error, true);
    } else {
        if (path.below.empty()) throw registry.Failure(kKeyAction, "корневой раздел", false);
        DWORD subkeys = 0;
        {
            RegistryKey key = registry.Open(KEY_QUERY_VALUE, kKeyAction);
            LONG error = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr);
            if (error != ERROR_SUCCESS) throw registry.Failure(kKeyAction, error, false);
        }
        if (subkeys) throw registry.Failure(kKeyAction, "есть подразделы", false);
        LONG error = RegDeleteKeyExW(path.root, path.below.c_str(), registry.View(), 0);
        if (error != ERROR_SUCCESS) throw registry.Failure(kKeyAction, error, false);
    }
    arguments.Done();
}
