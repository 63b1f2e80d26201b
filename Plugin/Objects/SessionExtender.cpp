#include "Objects/SessionExtender.h"

#include <ShownText.h>
#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>

#include "Settings/SessionPropsCopy.h"

using TAXDK::Tallivant::TASession;

volatile bool terminateBlocked = false;

Plugin::SessionExtender::SessionExtender() : TallivantObject2<ITallivantSessionExtender>(co<ITypeInfo>(), SafeForScripting) {}

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

// A command as the dispatch table runs it: with none of the extender's
// state, or with the piece of it that the command takes.
template <void (*command)(TASession&)>
static void Run(TASession& values, CommandState&) {
    command(values);
}

template <class Kept, void (*command)(TASession&, Kept&)>
static void Run(TASession& values, CommandState& state) {
    command(values, state.Piece<Kept>());
}

void Plugin::SessionExtender::RunCommand(IUnknown* session, BSTR wideName) {
    keystring name(string::Adopt(TAXDK::Standard::AnsiCopy(wideName)));
    // Each command wraps the session object itself (run), but the copy of
    // the Session Props, which does so only when there is something to copy
    // (runOnObject).
    static const struct {
        const char* name;
        void (*run)(TASession& values, CommandState& state);
        void (*runOnObject)(IUnknown* session);
    } commands[] = {
        {"aRvik.LogWrite", Run<KeptLog, LogWrite>, nullptr},
        {"aRvik.SetProp", Run<SetProp>, nullptr},
        {"aRvik.GetEnv", Run<GetEnv>, nullptr},
        {"aRvik.PutEnv", Run<PutEnv>, nullptr},
        {"aRvik.Execute", Run<KeptProcesses, Execute>, nullptr},
        {"aRvik.UpdateProps", nullptr, UpdateProps},
        {"aRvik.FileWrite", Run<FileWrite>, nullptr},
        {"aRvik.FileRead", Run<KeptTextBlock, FileRead>, nullptr},
        {"aRvik.Await", Run<KeptProcesses, Await>, nullptr},
        {"aRvik.FileInfo", Run<FileInfo>, nullptr},
        {"aRvik.FileDelete", Run<FileDelete>, nullptr},
        {"aRvik.FileCopy", Run<FileCopy>, nullptr},
        {"aRvik.FileMove", Run<FileMove>, nullptr},
        {"aRvik.FileList", Run<FileList>, nullptr},
        {"aRvik.Http", Run<HttpClient, Http>, nullptr},
        {"aRvik.FileHash", Run<FileHash>, nullptr},
        {"aRvik.JsonGet", Run<JsonGet>, nullptr},
        {"aRvik.RegRead", Run<RegRead>, nullptr},
        {"aRvik.RegWrite", Run<RegWrite>, nullptr},
        {"aRvik.RegDelete", Run<RegDelete>, nullptr},
        {"aRvik.RegList", Run<RegList>, nullptr},
        {"aRvik.IniRead", Run<IniRead>, nullptr},
        {"aRvik.IniWrite", Run<IniWrite>, nullptr},
        {"aRvik.IniDelete", Run<IniDelete>, nullptr},
        {"aRvik.ProcessList", Run<ProcessList>, nullptr},
        {"aRvik.ProcessEnd", Run<ProcessEnd>, nullptr},
    };
    for (const auto& command : commands)
        if (name == command.name) {
            // Refused before the session is read: the arguments stay.
            if (!rules.Allows(name))
                throw KLAppException(string("Команда ") + TAXDK::Standard::ShownText(wideName) +
                                     " запрещена администратором");
            if (command.runOnObject) return command.runOnObject(session);
            TASession values(session);
            command.run(values, state);
            return;
        }
    // Names of other plug-ins' commands are none of this one's business.
    static const char prefix[] = "aRvik.";
    const size_t prefixLength = sizeof prefix - 1;
    if (name.length() < prefixLength || keystring(string(name.c_str(), prefixLength)) != prefix) return;
    if (rules.Unknown() == UnknownCommands::Fail)
        throw KLAppException(string("Неизвестная команда: ") + TAXDK::Standard::ShownText(wideName));
}
