#include "Objects/SessionExtender.h"

#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>

#include "Settings/SessionPropsCopy.h"

using TAXDK::Tallivant::TASession;

volatile bool terminateBlocked = false;

Plugin::SessionExtender::SessionExtender() : TallivantObject2<ITallivantSessionExtender>(co<ITypeInfo>(), SafeForScripting) {
    state.log.SetOptions(state.log.GetOptions() | Jotter::TimeStamp | Jotter::WithDate);
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::UnblockTerminate(VARIANT) {
    return ComOperation([] { terminateBlocked = false; });
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::SessionStarted(IUnknown* session) {
    return ComOperation([session] {
        CopySessionProps(session);
    });
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::SessionEnded(VARIANT) { return S_OK; }

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::BlockTerminate(VARIANT) {
    return ComOperation([] { terminateBlocked = true; });
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::Command(IUnknown* session, BSTR name) {
    return ComOperation([this, session, name] { RunCommand(session, name); });
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::SessionPaused(VARIANT) { return S_OK; }

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::SessionResumed(VARIANT) { return S_OK; }

void Plugin::SessionExtender::RunCommand(IUnknown* session, BSTR wideName) {
    keystring name(string::Adopt(TAXDK::Standard::AnsiCopy(wideName)));
    // Each command wraps the session object itself (run), but the copy of
    // the Session Props, which does so only when there is something to copy
    // (runOnObject).
    static const struct {
        const char* name;
        CommandFunction run;
        SessionObjectCommand runOnObject;
    } commands[] = {
        {"aRvik.LogWrite", LogWrite, nullptr},   {"aRvik.SetProp", SetProp, nullptr},
        {"aRvik.GetEnv", GetEnv, nullptr},       {"aRvik.PutEnv", PutEnv, nullptr},
        {"aRvik.Execute", Execute, nullptr},     {"aRvik.UpdateProps", nullptr, UpdateProps},
        {"aRvik.FileWrite", FileWrite, nullptr}, {"aRvik.FileRead", FileRead, nullptr},
        {"aRvik.Await", Await, nullptr},         {"aRvik.FileInfo", FileInfo, nullptr},
        {"aRvik.FileDelete", FileDelete, nullptr}, {"aRvik.FileCopy", FileCopy, nullptr},
        {"aRvik.FileMove", FileMove, nullptr},   {"aRvik.FileList", FileList, nullptr},
        {"aRvik.Http", Http, nullptr},
    };
    for (const auto& command : commands)
        if (name == command.name) {
            if (command.runOnObject) return command.runOnObject(session, state);
            TASession values(session);
            command.run(values, state);
            return;
        }
}
