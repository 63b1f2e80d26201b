#include "HostObject.h"

#include <TallivantObject2.h>

TerminalSite::TerminalSite() : IDispatchType<ITallivantTerminalSite>(HostTypeInfo(__uuidof(ITallivantTerminalSite))) {}

HRESULT STDMETHODCALLTYPE TerminalSite::GetTerminalCount(LONG* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TerminalSite::GetTerminal(LONG, IUnknown** terminal) {
    if (!terminal) return E_INVALIDARG;
    *terminal = nullptr;
    return E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE TerminalSite::FindTerminal(BSTR, IUnknown** terminal) {
    if (!terminal) return E_INVALIDARG;
    *terminal = nullptr;
    return S_FALSE;
}

// Each extender hears the event in the order of registration.
HRESULT STDMETHODCALLTYPE TerminalSite::SendEvent(IUnknown*, BSTR name) {
    VARIANT terminal;
    VariantInit(&terminal);
    HRESULT result = S_OK;
    std::vector<co<ITallivantTerminalExtender2>> extenders = extenders_;
    for (const auto& extender : extenders) {
        HRESULT hr = extender->TerminalEvent(terminal, name);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE TerminalSite::RemoveTerminalExtender(ITallivantTerminalExtender2* extender) {
    for (auto i = extenders_.begin(); i != extenders_.end(); ++i)
        if (i->get() == extender) {
            extenders_.erase(i);
            return S_OK;
        }
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE TerminalSite::AddTerminalExtender(ITallivantTerminalExtender2* extender) {
    if (!extender) return E_INVALIDARG;
    extender->AddRef();
    extenders_.push_back(co<ITallivantTerminalExtender2>(extender));
    return S_OK;
}

HostObject::HostObject()
    : IDispatchType<ITallivantHost>(HostTypeInfo(__uuidof(ITallivantHost))),
      terminals_(new TerminalSite),
      sessions_(new HostSession),
      panel_(new ControlPanel) {}

HRESULT STDMETHODCALLTYPE HostObject::GetVersion(LONG* version) {
    if (!version) return E_INVALIDARG;
    *version = 0x00010200;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HostObject::GetSessionSite(IUnknown** site) {
    if (!site) return E_INVALIDARG;
    return sessions_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(site));
}

HRESULT STDMETHODCALLTYPE HostObject::GetControlPanel(IUnknown** panel) {
    if (!panel) return E_INVALIDARG;
    return panel_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(panel));
}

HRESULT STDMETHODCALLTYPE HostObject::GetTerminalSite(IUnknown** site) {
    if (!site) return E_INVALIDARG;
    return terminals_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(site));
}
