// FuzzSession: the fuzzer's own host around aRvik.dll for one run. It
// makes the scratch folder below the data folder (and names it in the
// environment), keeps the plug-in's registry key to put it back (the
// settings and "Session Props" the run writes go with it), points the
// script log into the scratch folder and starts the web server; the
// plug-in itself is loaded as the host loads it (bench/PluginHost: the
// module's DllGetClassObject, the plug-in initialised with a host object,
// the session extender called through IDispatch), on the thread that then
// runs the calls. Everything is put back when it goes, or by Abandon when
// a call hung.
#pragma once

#include <memory>
#include <vector>
#include <string>

#include <HostSession.h>

#include "CallChecks.h"
#include "FuzzCall.h"
#include "FuzzServer.h"

class PluginHost;
class SavedKey;
class MessageRecorder;

class FuzzSession {
public:
    FuzzSession();
    ~FuzzSession();
    FuzzSession(const FuzzSession&) = delete;
    FuzzSession& operator=(const FuzzSession&) = delete;

    // False, with why, when the folder, the settings or the server are not
    // there.
    bool Ready(std::string& why) const;
    const FuzzContext& Context() const { return context_; }

    // On the thread that runs the calls, before and after them: COM, the
    // plug-in, the session, the message boxes' recorder.
    void Load();
    void Unload();

    // One call: what it needs made ready, the properties set, the command
    // (or operation 8) through Invoke under the watchdog, the properties
    // read back.
    CallOutcome Run(const FuzzCall& call);
    // Runs a command with the properties given and nothing checked: for
    // the warm-up's fixed steps.
    HRESULT Plain(const wchar_t* command, std::initializer_list<std::pair<const wchar_t*, std::wstring>> values);

    // A new, empty session instead of the one the calls used: the values
    // they left, some of many MiB, go.
    void FreshSession();
    // Message boxes shown since the last look, as texts.
    std::vector<std::string> TakeBoxes();

    // For the watchdog, from another thread while a call hangs: the
    // registry key back, the server ended, the scratch folder removed.
    void Abandon();

private:
    void SetValue(const wchar_t* name, const std::wstring& value);

    FuzzContext context_;
    std::string why_;
    std::unique_ptr<SavedKey> settings_;
    FuzzServer server_;
    std::unique_ptr<PluginHost> host_;
    std::unique_ptr<MessageRecorder> boxes_;
    co<HostSession> session_;
    std::vector<HANDLE> standard_;  // the standard handles, put back when it goes
    HANDLE nul_;
    bool console_;                  // made here, freed when it goes
};
