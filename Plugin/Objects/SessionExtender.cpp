#include "SessionExtender.h"

#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>

#include "SessionPropsCopy.h"

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
        TASession values(session);
        CopySessionProps(values);
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
    static const struct {
        const char* name;
        CommandFunction run;
    } commands[] = {
        {"aRvik.LogWrite", LogWrite},   {"aRvik.SetProp", SetProp},         {"aRvik.GetEnv", GetEnv},
        {"aRvik.PutEnv", PutEnv},       {"aRvik.Execute", Execute},         {"aRvik.UpdateProps", UpdateProps},
        {"aRvik.FileWrite", FileWrite}, {"aRvik.FileRead", FileRead},       {"aRvik.Await", Await},
        {"aRvik.FileInfo", FileInfo},   {"aRvik.FileDelete", FileDelete},   {"aRvik.FileCopy", FileCopy},
        {"aRvik.FileMove", FileMove},   {"aRvik.FileList", FileList},   {"aRvik.Http", Http},
    };
    for (const auto& command : commands)
        if (name == command.name) {
            TASession values(session);
            command.run(values, state);
            return;
        }
}
