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
#include "Objects/ClassIds.h"
#include "Version.h"

// Set by the session extender (operation 10), cleared by its operation 7,
// read by the terminal extender before it obeys "aRvik.Terminate". A plain
// byte: written and read without a lock.
extern volatile bool terminateBlocked;

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
