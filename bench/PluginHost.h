// The plug-in as the host sees it: aRvik.dll loaded from the benchmark's
// folder, its plug-in object made through DllGetClassObject and
// initialised with the stand-in host object, and the session extender it
// registered with the host's session site. Calls go through
// IDispatch::Invoke with the member ids looked up once, as a scripting host
// does. Construction throws KLAppException when a step fails. The module
// stays loaded for the life of the process.
#pragma once

#include <windows.h>

#include <HostObject.h>
#include <HostSession.h>
#include <Tallivanx.h>
#include <co.h>

class PluginHost {
public:
    PluginHost();
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    ITallivantSessionExtender* Extender() const { return extender_; }

    // Operation 11 (Command) through Invoke; the result of Invoke. record,
    // when given, gets the exception record of a failure (the caller frees
    // its texts).
    HRESULT Command(IUnknown* session, BSTR name, EXCEPINFO* record = nullptr) const;
    // Operation 8 (SessionStarted) through Invoke.
    HRESULT SessionStarted(IUnknown* session, EXCEPINFO* record = nullptr) const;

private:
    co<HostObject> host_;
    co<ITallivantPlugin> plugin_;
    ITallivantSessionExtender* extender_ = nullptr;  // held by the host's session site
    DISPID command_ = 0, sessionStarted_ = 0;
};

// Throws KLAppException naming what failed unless hr is S_OK.
void CheckResult(HRESULT hr, const char* what);
