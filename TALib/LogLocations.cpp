#include "LogLocations.h"

#include <new>

#include <fwbase/Path.h>

#include <RegistryNames.h>

namespace {
// Where the open key lives: made by OpenProductKey, undone by
// CloseProductKey, never by the runtime. At process exit the module leaves
// the key to the system, which closes it.
union ProductKeyPlace {
    ProductKeyPlace() {}
    ~ProductKeyPlace() {}
    RegKey key;
} place;
}  // namespace

RegKey* productKey = nullptr;

void OpenProductKey() {
    CloseProductKey();
    productKey = ::new (&place.key) RegKey(HKEY_LOCAL_MACHINE, PRODUCT_KEY, false, KEY_READ);
}

void CloseProductKey() {
    if (productKey) productKey->~RegKey();
    productKey = nullptr;
}

static string ProductValue(const char* name) {
    if (!productKey || !productKey->key) return string("");
    return (*productKey)[name].Text();
}

string RootPath() { return MakePathSpec(ExpEnv(ProductValue("Root Path"))); }

string LogRootPath() {
    string root = ExpEnv(ProductValue("Log Root"));
    if (root.empty()) root = "Logs";
    if (!IsAbsolutePath(root)) root = RootPath() + root.c_str();
    return MakePathSpec(root);
}
