// Plugin::SessionExtender: takes part in the host's sessions.
//   operation 8   copies the Session Props from the registry into the session
//   operation 11  runs the named aRvik.* command on the session
//   operations 7 and 10 clear and set terminateBlocked; 9, 12, 13 do nothing
// Command names match as a whole and without regard to case; a name that is
// no command is ignored. Commands take their arguments from the session's
// aRvik.* values and clear the ones they consumed when they finish; a
// failing command leaves its arguments as they were.
//
// The script log, log, is shared by every session the extender serves; its
// path is set anew by each aRvik.LogWrite. So are the programs aRvik.Execute
// started without waiting, kept for aRvik.Await, and the memory of the last
// long text aRvik.FileRead read, kept for the next.
#pragma once

#include <fwjot/Jotter.h>

#include "KeptProcesses.h"
#include "KeptTextBlock.h"
#include "Plugin.h"
#include "ScriptLog.h"

class Plugin::SessionExtender : public TallivantObject2<ITallivantSessionExtender> {
public:
    SessionExtender();

    HRESULT STDMETHODCALLTYPE UnblockTerminate(VARIANT) override;                // 7
    HRESULT STDMETHODCALLTYPE SessionStarted(IUnknown* session) override;        // 8
    HRESULT STDMETHODCALLTYPE SessionEnded(VARIANT) override;                    // 9
    HRESULT STDMETHODCALLTYPE BlockTerminate(VARIANT) override;                  // 10
    HRESULT STDMETHODCALLTYPE Command(IUnknown* session, BSTR name) override;    // 11
    HRESULT STDMETHODCALLTYPE SessionPaused(VARIANT) override;                   // 12
    HRESULT STDMETHODCALLTYPE SessionResumed(VARIANT) override;                  // 13

    // Each Session Props value of type REG_SZ or REG_DWORD (as unsigned
    // decimal text) into the session, then the policies' (Policy.h), which
    // thus win; other types and the unnamed value are skipped. No key:
    // nothing changes.
    static void ApplySessionProps(IUnknown* session);

private:
    void RunCommand(IUnknown* session, BSTR name);
    void LogWrite(IUnknown* session);
    void SetProp(IUnknown* session);
    void GetEnv(IUnknown* session);
    void PutEnv(IUnknown* session);
    void Execute(IUnknown* session);
    void UpdateProps(IUnknown* session);
    void FileWrite(IUnknown* session);
    void FileRead(IUnknown* session);
    void Await(IUnknown* session);

    Jotter log;
    ScriptLogSettings logSettings;
    KeptProcesses kept;
    KeptTextBlock readBlock;  // aRvik.FileRead's
};
