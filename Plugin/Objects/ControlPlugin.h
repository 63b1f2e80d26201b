// ControlPlugin: the object the host's control panel creates. Initialised
// with the control panel, it adds one new additional-parameters page to it,
// unless "Control Disabled" hides it (Settings/ControlSwitch.h: a policy's,
// else the current user's own switch).
// It keeps nothing between calls and never writes the switch.
#pragma once

#include <TallivantObject2.h>

class ControlPlugin : public TallivantObject2<ITallivantControlPlugin> {
public:
    explicit ControlPlugin(const co<ITypeInfo>& info);

    HRESULT STDMETHODCALLTYPE Initialize(IUnknown* controlPanel) override;   // 7

private:
    static void AddPage(IUnknown* controlPanel);
};
