#include "Objects/ControlPlugin.h"

#include <checks.h>

#include "Objects/Plugin.h"
#include "Page/aRvikControlPage.h"
#include "Settings/RequiredKey.h"

ControlPlugin::ControlPlugin(const co<ITypeInfo>& info) : TallivantObject2<ITallivantControlPlugin>(info, SafeForScripting) {}

HRESULT STDMETHODCALLTYPE ControlPlugin::Initialize(IUnknown* controlPanel) {
    return ComOperation([controlPanel] { AddPage(controlPanel); });
}

// A missing key or value reads as 0: the page is shown.
void ControlPlugin::AddPage(IUnknown* controlPanel) {
    // A null control panel is refused instead of being called through.
    THROW_HR_IF_NULL(E_POINTER, controlPanel);
    if (RequiredKey::Optional(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_READ).Number(CONTROL_DISABLED)) return;
    co<ITallivantControlPanel> panel = co<ITallivantControlPanel>::From(controlPanel);
    aRvikControlPage::CreatePage(panel.get());
}
