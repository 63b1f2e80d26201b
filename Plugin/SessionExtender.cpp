#include "SessionExtender.h"

#include <stdlib.h>
#include <string.h>

#include <TASession.h>
#include <TextCodec.h>
#include <Trevan/CriticalSection.h>
#include <exceptions.h>
#include <fwwin/RegKey.h>

#include "OldLogs.h"
#include "Policy.h"
#include "RequiredKey.h"
#include "ScriptLog.h"
#include "SessionProps.h"

using TAXDK::Tallivant::TASession;

volatile bool terminateBlocked = false;

Plugin::SessionExtender::SessionExtender() : TallivantObject2<ITallivantSessionExtender>(co<ITypeInfo>(), SafeForScripting) {
    log.SetOptions(log.GetOptions() | Jotter::TimeStamp | Jotter::WithDate);
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::UnblockTerminate(VARIANT) {
    return ComOperation([] { terminateBlocked = false; });
}

HRESULT STDMETHODCALLTYPE Plugin::SessionExtender::SessionStarted(IUnknown* session) {
    return ComOperation([session] { ApplySessionProps(session); });
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

void Plugin::SessionExtender::ApplySessionProps(IUnknown* session) {
    RegKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, false, KEY_READ);
    map<keystring, string> policy;
    ReadPolicySessionProps(policy);
    if (!props.key && !policy.Count()) return;
    TASession values(session);
    // The enumeration's failures have always been reported here: a fixed number.
    if (props.key)
        ForEachSessionProp(props.key, "Plugin/SessionExtender", 128, [&values, &props](const string& name, DWORD type) {
            if (type == REG_SZ)
                values.SetString(name, props[name].Text());
            else if (type == REG_DWORD)
                values.SetUnsigned(name, props[name].Number());
        });
    // The administrator's after the user's own, so that they win.
    for (int i = 0; i < policy.Count(); ++i) values.SetString(policy.At(i).key, policy.At(i).value);
}

void Plugin::SessionExtender::RunCommand(IUnknown* session, BSTR wideName) {
    keystring name(string::Adopt(TAXDK::Standard::AnsiCopy(wideName)));
    static const struct {
        const char* name;
        void (SessionExtender::*run)(IUnknown* session);
    } commands[] = {
        {"aRvik.LogWrite", &SessionExtender::LogWrite},
        {"aRvik.SetProp", &SessionExtender::SetProp},
        {"aRvik.GetEnv", &SessionExtender::GetEnv},
        {"aRvik.PutEnv", &SessionExtender::PutEnv},
        {"aRvik.Execute", &SessionExtender::Execute},
        {"aRvik.UpdateProps", &SessionExtender::UpdateProps},
        {"aRvik.FileWrite", &SessionExtender::FileWrite},
        {"aRvik.FileRead", &SessionExtender::FileRead},
        {"aRvik.Await", &SessionExtender::Await},
    };
    for (const auto& command : commands)
        if (name == command.name) {
            (this->*command.run)(session);
            return;
        }
}

void Plugin::SessionExtender::LogWrite(IUnknown* session) {
    string path;
    DWORD limit = 0;
    LogCleanup cleanup;
    // A path the pattern cannot have meant is refused before anything is written.
    if (DWORD refused = logSettings.Read(path, limit, &cleanup)) throw FileWriteError(refused, path);
    log.SetLogPath(path);  // takes the log's critical section
    // Once a day; a file of yesterday that the log held is closed by now.
    if (cleanup.keepDays) RemoveOldLogs(cleanup.pattern, cleanup.keepDays, cleanup.today);
    TASession values(session);
    string text = values.GetString("aRvik.LogText");
    // The text is an argument, never a format: per-cent signs stay as they are.
    Jotter::Outcome written = log.Write(6, "%s", LimitLogText(text, limit).c_str());
    // The script keeps its text to retry or log elsewhere.
    if (written.error) throw FileWriteError(written.error, written.path);
    values.Clear("aRvik.LogText");
}

void Plugin::SessionExtender::SetProp(IUnknown* session) {
    TASession values(session);
    string name = values.GetString("aRvik.Name");
    if (!name.empty()) {
        string value = values.GetString("aRvik.Value");
        RequiredKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_ALL_ACCESS);
        if (!value.empty()) {
            props.Write(name, value.c_str());
            values.SetString(name, value);
        } else {
            // A value that stays would come back with the next session.
            props.Remove(name);
            values.Clear(name);
        }
    }
    values.Clear("aRvik.Name");
    values.Clear("aRvik.Value");
}

// The C runtime's environment is not safe for two threads at once: under
// Wine a getenv beside a _putenv reads a stale copy or faults. GetEnv and
// PutEnv take turns, and GetEnv copies the value before it lets go.
static Trevan::CriticalSection environmentLock;

void Plugin::SessionExtender::GetEnv(IUnknown* session) {
    TASession values(session);
    string name = values.GetString("aRvik.Name");
    if (!name.empty()) {
        Trevan::Lock hold(environmentLock);
        const char* value = getenv(name);
        string copy(value ? value : "");
        hold.Leave();
        values.SetString("aRvik.Value", copy);
    } else {
        values.Clear("aRvik.Value");
    }
    values.Clear("aRvik.Name");
}

void Plugin::SessionExtender::PutEnv(IUnknown* session) {
    TASession values(session);
    string name = values.GetString("aRvik.Name");
    // A name holding "=" would set another variable than the one named.
    if (!name.empty() && !strchr(name, '=')) {
        string value = values.GetString("aRvik.Value");
        Trevan::Lock hold(environmentLock);
        _putenv(name + "=" + value.c_str());
    }
    values.Clear("aRvik.Value");
    values.Clear("aRvik.Name");
}

void Plugin::SessionExtender::UpdateProps(IUnknown* session) { ApplySessionProps(session); }

// Execute is in Execute.cpp, Await in Await.cpp; FileWrite and FileRead are in
// FileCommands.cpp.
