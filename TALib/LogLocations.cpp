#include "LogLocations.h"

#include <fwbase/Path.h>

#include <RegistryNames.h>

RegKey* productKey = nullptr;

void OpenProductKey() {
    CloseProductKey();
    productKey = new RegKey(HKEY_LOCAL_MACHINE, PRODUCT_KEY, false, KEY_READ);
}

void CloseProductKey() {
    delete productKey;
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
