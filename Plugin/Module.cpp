#include "Module.h"

#include <new>

#include <ClassFactory.h>
#include <co.h>
#include <exceptions.h>
#include <fwbase/Message.h>
#include <fwbase/Path.h>

#include <LogLocations.h>

#include "Resources/Instance.h"
#include "Objects/ControlPlugin.h"
#include "Objects/Plugin.h"

string ModulePath() { return GetModuleFileNameA(PluginInstance()); }

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
// by the runtime before this runs. Thread notifications stay on: the
// module's thread-local data is freed on thread detach. The product key stays open while the
// module is loaded; at process exit (reserved not null) the system closes it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        SetPluginInstance(instance);
        // No exception may leave DllMain: a product key that cannot be
        // allocated fails the load instead.
        try {
            OpenProductKey();
        } catch (...) {
            return FALSE;
        }
        break;
    case DLL_PROCESS_DETACH:
        if (!reserved) CloseProductKey();
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
    {&CLSID_ControlPlugin, &NewFactory<ControlPlugin>},
};

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    try {
        for (const ClassEntry& entry : classes) {
            if (!IsEqualCLSID(clsid, *entry.clsid)) continue;
            co<IClassFactory> factory(entry.create());
            return factory->QueryInterface(iid, out);
        }
        return E_NOINTERFACE;
    } catch (const KelmirException& e) {
        ModuleErrorMessage("Ошибка загрузки модуля ", e.Reason());
    } catch (...) {
        ModuleErrorMessage("Неизвестная ошибка загрузки модуля ", nullptr);
    }
    return E_FAIL;
}
