#include "Objects/ControlPlugin.h"

#include <checks.h>

#include "Objects/Plugin.h"
#include "Page/aRvikControlPage.h"
#include "Settings/ControlSwitch.h"

ControlPlugin::ControlPlugin(const co<ITypeInfo>& info) : TallivantObject2<ITallivantControlPlugin>(info, SafeForScripting) {}

HRESULT STDMETHODCALLTYPE ControlPlugin::Initialize(IUnknown* controlPanel) {
    return ComOperation([controlPanel] { AddPage(controlPanel); });
}

void ControlPlugin::AddPage(IUnknown* controlPanel) {
    // A null control panel is refused instead of being called through.
    THROW_HR_IF_NULL(E_POINTER, controlPanel);
    if (ControlPageHidden()) return;
    co<ITallivantControlPanel> panel = co<ITallivantControlPanel>::From(controlPanel);
    aRvikControlPage::CreatePage(panel.get());
}
