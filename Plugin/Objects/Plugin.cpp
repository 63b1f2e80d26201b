#include "Objects/Plugin.h"

#include <FixedPositions.h>
#include <checks.h>
#include <co.h>
#include <fwbase/Co.h>
#include <fwbase/Message.h>
#include <refs.h>

#include "Settings/FirstSettings.h"
#include "Objects/SessionExtender.h"

Plugin::Plugin(const co<ITypeInfo>& info) : TallivantObject2<ITallivantPlugin>(info, SafeForScripting) {}

HRESULT STDMETHODCALLTYPE Plugin::Initialize(IUnknown* host) {
    return ComOperation([this, host] { Connect(host); });
}

// The host's sites take their own references on the extenders; every
// holder here lets go when it leaves, so the host ends up with the only ones.
// A missing host object or site (null with a success code) is refused as
// E_POINTER instead of being called through.
void Plugin::Connect(IUnknown* host) {
    THROW_HR_IF_NULL(E_POINTER, host);
    co<ITallivantHost> tallivant = co<ITallivantHost>::From(host);
    StartForUser();
    co<IUnknown> terminalSite;
    CoCallEx(tallivant->GetTerminalSite(terminalSite.Out()), CoModule(), FixedAt::kPluginTerminalSite);
    THROW_HR_IF_NULL(E_POINTER, terminalSite.get());
    {
        co<ITallivantTerminalExtender2> terminal(new TerminalExtender);
        co<ITallivantTerminalSite> site = co<ITallivantTerminalSite>::From(terminalSite.get());
        site->AddTerminalExtender(terminal.get());
        site.Release();
    }
    co<IUnknown> sessionSite;
    CoCallEx(tallivant->GetSessionSite(sessionSite.Out()), CoModule(), FixedAt::kPluginSessionSite);
    THROW_HR_IF_NULL(E_POINTER, sessionSite.get());
    {
        co<ITallivantSessionExtender> session(new SessionExtender);
        co<ITallivantSessionSite> site = co<ITallivantSessionSite>::From(sessionSite.get());
        site->AddSessionExtender(session.get());
        site.Release();
    }
    sessionSite.Release();
    terminalSite.Release();
}

// A user whom installation did not reach gets the first settings now. A
// user key that cannot be written changes nothing: the plug-in starts, and
// the log behaves as it would without them.
void Plugin::StartForUser() {
    try {
        if (FirstSettingsDue()) WriteFirstSettings();
    } catch (...) {
    }
}

Plugin::TerminalExtender::TerminalExtender()
    : TallivantObject2<ITallivantTerminalExtender2>(co<ITypeInfo>(), SafeForScripting) {}

HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    if (IsEqualIID(iid, __uuidof(ITallivantTerminalExtender))) {
        *out = static_cast<ITallivantTerminalExtender*>(this);
        AddRef();
        return S_OK;
    }
    return TallivantObject2<ITallivantTerminalExtender2>::QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalCreated(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalDestroyed(VARIANT) { return S_OK; }

HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalEvent(VARIANT, BSTR name) {
    return ComOperation([name] { Event(name); });
}

HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalState(VARIANT, VARIANT, VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalOpened(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalClosed(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalLocked(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalUnlocked(VARIANT) { return S_OK; }

LONG STDMETHODCALLTYPE Plugin::TerminalExtender::TerminalQuery(VARIANT, VARIANT, VARIANT, VARIANT, VARIANT,
                                                               VARIANT) {
    return 0;
}

// A missing name counts as the empty text, which matches neither event.
void Plugin::TerminalExtender::Event(BSTR name) {
    const wchar_t* event = name ? name : L"";
    if (lstrcmpiW(event, L"Poll") == 0) {
        aptr<char> narrow(newstr(CoString(event).get()));
        string text = string("Terminal event ") + (narrow.get() ? narrow.get() : "");
        DebugMessage(text.c_str(), 0, nullptr, PLUGIN_CAPTION, 0);
    } else if (lstrcmpiW(event, L"aRvik.Terminate") == 0 && !terminateBlocked) {
        PostQuitMessage(0);
    }
}
