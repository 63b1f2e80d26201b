#include "Module.h"

#include <new>

#include <ClassFactory.h>
#include <exceptions.h>
#include <fwbase/Message.h>
#include <fwbase/Path.h>

#include "Plugin.h"

#if __has_include("Instance.h")
#include "Instance.h"
#define ARVIK_HAVE_INSTANCE 1
#endif
#if __has_include(<LogLocations.h>)
#include <LogLocations.h>
#define ARVIK_HAVE_PRODUCT_KEY 1
#endif

HINSTANCE moduleInstance = nullptr;

string ModulePath() { return GetModuleFileNameA(moduleInstance ? moduleInstance : CoModule()); }

void ModuleErrorMessage(const char* text, const char* reason) noexcept {
    try {
        string message = string(text) + "\"" + ModulePath().c_str() + "\"";
        if (reason) message = message + ": " + reason;
        string caption = GetFileName(GetModuleFileNameA(nullptr).c_str());
        ErrorMessage(message.c_str(), nullptr, caption.c_str(), 0);
    } catch (...) {
        // Nothing may leave an exported entry; the failure result remains.
    }
}

// The interface identifiers and the session time epoch are constants set up
// by the runtime before this runs. The product key stays open while the
// module is loaded; at process exit (reserved not null) the system closes it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        moduleInstance = instance;
        DisableThreadLibraryCalls(instance);
#ifdef ARVIK_HAVE_INSTANCE
        SetPluginInstance(instance);
#endif
#ifdef ARVIK_HAVE_PRODUCT_KEY
        try {
            OpenProductKey();
        } catch (...) {
            return FALSE;
        }
#else
        // PRODUCT KEY: OpenProductKey() (TALib) belongs here.
#endif
        break;
    case DLL_PROCESS_DETACH:
#ifdef ARVIK_HAVE_PRODUCT_KEY
        if (!reserved) CloseProductKey();
#else
        // PRODUCT KEY: CloseProductKey() (TALib) belongs here.
#endif
        break;
    }
    return TRUE;
}

namespace {

// One row per class the module serves: a factory made on each request.
struct ClassEntry {
    const CLSID* clsid;
    IClassFactory* (*create)();
};

template <class C>
IClassFactory* NewFactory() {
    return new ClassFactory<C>;
}

const ClassEntry classes[] = {
    {&CLSID_Plugin, &NewFactory<Plugin>},
    // CLSID_ControlPlugin is registered by the installation but served only
    // once ControlPlugin exists: add {&CLSID_ControlPlugin,
    // &NewFactory<ControlPlugin>} here. Until then it gives E_NOINTERFACE.
};

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    try {
        for (const ClassEntry& entry : classes) {
            if (!IsEqualCLSID(clsid, *entry.clsid)) continue;
            IClassFactory* factory = entry.create();
            HRESULT hr = factory->QueryInterface(iid, out);
            factory->Release();
            return hr;
        }
        return E_NOINTERFACE;
    } catch (const KelmirException& e) {
        ModuleErrorMessage("Ошибка загрузки модуля ", e.Reason());
    } catch (...) {
        ModuleErrorMessage("Неизвестная ошибка загрузки модуля ", nullptr);
    }
    return E_FAIL;
}
