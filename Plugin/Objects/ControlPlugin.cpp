#include "Objects/ControlPlugin.h"

#include <checks.h>
#include <fwwin/RegKey.h>

#include "Objects/Plugin.h"
#include "Page/aRvikControlPage.h"

ControlPlugin::ControlPlugin(const co<ITypeInfo>& info) : TallivantObject2<ITallivantControlPlugin>(info, SafeForScripting) {}

HRESULT STDMETHODCALLTYPE ControlPlugin::Initialize(IUnknown* controlPanel) {
    return ComOperation([controlPanel] { AddPage(controlPanel); });
}

// A missing key or value reads as 0: the page is shown.
void ControlPlugin::AddPage(IUnknown* controlPanel) {
    // A null control panel is refused instead of being called through.
    THROW_HR_IF_NULL(E_POINTER, controlPanel);
    DWORD disabled;
    {
        RegKey key(HKEY_CURRENT_USER, PLUGIN_KEY, false, KEY_READ);
        disabled = key[CONTROL_DISABLED].Number();
    }
    if (disabled) return;
    co<ITallivantControlPanel> panel = co<ITallivantControlPanel>::From(controlPanel);
    aRvikControlPage::CreatePage(panel.get());
}
