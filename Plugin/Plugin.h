// Plugin: the object the host creates through the plug-in's class and
// initialises with its host object; it registers one terminal extender and
// one session extender with the host's sites and keeps nothing.
#pragma once

#include <TallivantObject2.h>

// Set by the session extender (operation 10), cleared by its operation 7,
// read by the terminal extender before it obeys "aRvik.Terminate". A plain
// byte: written and read without a lock.
extern volatile bool terminateBlocked;

class Plugin : public TallivantObject2<ITallivantPlugin> {
public:
    class SessionExtender;
    class TerminalExtender;

    explicit Plugin(const co<ITypeInfo>& info);

    HRESULT STDMETHODCALLTYPE Initialize(IUnknown* host) override;
};
