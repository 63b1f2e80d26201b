// Plugin: the object the host creates through the plug-in's class and
// initialises with its host object; it writes the user's first settings
// when they are due (FirstSettings.h), registers one terminal extender and
// one session extender with the host's sites and keeps nothing.
//
// Plugin::TerminalExtender: answers the host's terminal events. "Poll"
// becomes a diagnostic message; "aRvik.Terminate" ends the message loop of
// the calling thread unless terminateBlocked is set. Names match without
// regard to case. Every other operation does nothing; operation 15 gives 0.
#pragma once

#include <TallivantObject2.h>

#include <RegistryNames.h>
#include "Version.h"

// Set by the session extender (operation 10), cleared by its operation 7,
// read by the terminal extender before it obeys "aRvik.Terminate". A plain
// byte: written and read without a lock.
extern volatile bool terminateBlocked;

// The two classes the module serves.
// {6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}
const CLSID CLSID_Plugin = {0x6A0F3C2E, 0x71D4, 0x4B8A, {0x9E, 0x25, 0x3C, 0x5D, 0x7F, 0x9A, 0x1B, 0x04}};
// {B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}
const CLSID CLSID_ControlPlugin = {0xB3E1D7A9, 0x2C46, 0x4F0B, {0x8D, 0x73, 0xE9, 0x2A, 0x5C, 0x1F, 0x6D, 0x38}};
#define PLUGIN_CLSID_TEXT "{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}"
#define CONTROL_PLUGIN_CLSID_TEXT "{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}"


// Caption of the plug-in's diagnostics.
#define PLUGIN_CAPTION PLUGIN_NAME " v." ARVIK_VERSION_TEXT

class Plugin : public TallivantObject2<ITallivantPlugin> {
public:
    class SessionExtender;
    class TerminalExtender;

    explicit Plugin(const co<ITypeInfo>& info);

    HRESULT STDMETHODCALLTYPE Initialize(IUnknown* host) override;

private:
    void Connect(IUnknown* host);
    static void StartForUser();
};

class Plugin::TerminalExtender : public TallivantObject2<ITallivantTerminalExtender2> {
public:
    TerminalExtender();

    // Also answers ITallivantTerminalExtender, the base interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    HRESULT STDMETHODCALLTYPE TerminalCreated(VARIANT) override;                       // 7
    HRESULT STDMETHODCALLTYPE TerminalDestroyed(VARIANT) override;                     // 8
    HRESULT STDMETHODCALLTYPE TerminalEvent(VARIANT, BSTR name) override;              // 9
    HRESULT STDMETHODCALLTYPE TerminalState(VARIANT, VARIANT, VARIANT) override;       // 10
    HRESULT STDMETHODCALLTYPE TerminalOpened(VARIANT) override;                        // 11
    HRESULT STDMETHODCALLTYPE TerminalClosed(VARIANT) override;                        // 12
    HRESULT STDMETHODCALLTYPE TerminalLocked(VARIANT) override;                        // 13
    HRESULT STDMETHODCALLTYPE TerminalUnlocked(VARIANT) override;                      // 14
    LONG STDMETHODCALLTYPE TerminalQuery(VARIANT, VARIANT, VARIANT, VARIANT, VARIANT,
                                         VARIANT) override;                            // 15

private:
    static void Event(BSTR name);
};
