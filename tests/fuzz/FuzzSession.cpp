#include "FuzzSession.h"

#include <objbase.h>
#include <oleauto.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <RegistryNames.h>
#include <exceptions.h>

#include "FuzzFixtures.h"
#include "PluginHost.h"
#include "Utf8.h"
#include "Watchdog.h"
#include "common/MessageRecorder.h"
#include "common/SavedKey.h"

// What a property the call does not set holds before it: a failure must
// leave it so.
static const wchar_t kUntouched[] = L"fuzz:untouched";

FuzzSession::FuzzSession() {
    const DWORD standard[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (DWORD which : standard) standard_.push_back(GetStdHandle(which));
    // The programs the calls start are console programs. A fuzzer without
    // a console of its own (under CTest) would have the system make one
    // for every program it starts; with one here they all share it.
    console_ = AllocConsole() != FALSE;
    // They write to the standard handles they find: the NUL device, not
    // the fuzzer's own output (which the C runtime keeps writing to).
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    for (DWORD which : standard) SetStdHandle(which, nul);
    nul_ = nul;
    std::wstring data = DataFolder();
    context_.scratchName = L"arvik-fuzz-" + std::to_wstring(GetCurrentProcessId());
    context_.scratch = data + context_.scratchName + L"\\";
    wchar_t self[MAX_PATH * 2] = L"";
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring exe(self, n);
    context_.exeFolder = exe.substr(0, exe.rfind(L'\\') + 1);
    RemoveTreeW(context_.scratch);
    for (size_t at = data.find(L'\\', 3); at != std::wstring::npos; at = data.find(L'\\', at + 1))
        CreateDirectoryW(data.substr(0, at).c_str(), nullptr);
    if (!CreateDirectoryW(context_.scratch.c_str(), nullptr)) {
        why_ = "cannot make the scratch folder " + Utf8(context_.scratch);
        return;
    }
    std::wstring variable = context_.scratch.substr(0, context_.scratch.size() - 1);
    SetEnvironmentVariableW(kScratchVariable, variable.c_str());
    // A program's document for aRvik.Execute, which no name drawn names.
    HANDLE doc = CreateFileW((context_.scratch + L"doc.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                             nullptr);
    if (doc != INVALID_HANDLE_VALUE) CloseHandle(doc);
    settings_.reset(new SavedKey(HKEY_CURRENT_USER, PLUGIN_KEY));
    settings_->Clear();
    RemoveKey(HKEY_CURRENT_USER, SESSION_PROPS_KEY);
    ForgetLogSettings();
    ApplyLogSettings(LogSettings{0, 0}, context_);
    if (!server_.Start(context_)) why_ = "the web server did not start";
}

FuzzSession::~FuzzSession() {
    SetStdHandle(STD_INPUT_HANDLE, standard_[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, standard_[1]);
    SetStdHandle(STD_ERROR_HANDLE, standard_[2]);
    if (nul_ != INVALID_HANDLE_VALUE) CloseHandle(nul_);
    if (console_) FreeConsole();
    settings_.reset();
    RemoveTreeW(context_.scratch);
    // What the registry commands made, in both views.
    for (REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_ALL_ACCESS | view, &software)) continue;
        RegDeleteTreeW(software, kFuzzRegistryKey + 9);
        RegCloseKey(software);
    }
    SetEnvironmentVariableW(kScratchVariable, nullptr);
}

bool FuzzSession::Ready(std::string& why) const {
    why = why_;
    return why_.empty();
}

void FuzzSession::Load() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    boxes_.reset(new MessageRecorder);
    host_.reset(new PluginHost);
    session_ = co<HostSession>(new HostSession);
    // The host starts a session before its scripts run.
    host_->SessionStarted(session_.get());
}

void FuzzSession::Unload() {
    session_.Release();
    host_.reset();
    boxes_.reset();
    CoUninitialize();
}

void FuzzSession::FreshSession() { session_ = co<HostSession>(new HostSession); }

std::vector<std::string> FuzzSession::TakeBoxes() {
    std::vector<std::string> texts;
    if (!boxes_) return texts;
    for (const ShownMessage& box : boxes_->Boxes()) texts.push_back(box.caption + ": " + box.text);
    boxes_->Clear();
    return texts;
}

void FuzzSession::Abandon() {
    settings_.reset();
    server_.Stop();
    RemoveTreeW(context_.scratch);
}

void FuzzSession::SetValue(const wchar_t* name, const std::wstring& value) {
    if (value.find(L'\0') == std::wstring::npos) {
        session_->Set(name, value.c_str());
        return;
    }
    // A zero inside: set as a BSTR, which keeps it.
    BSTR wideName = SysAllocString(name);
    BSTR text = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    session_->SetValue(wideName, text);
    SysFreeString(text);
    SysFreeString(wideName);
}

HRESULT FuzzSession::Plain(const wchar_t* command,
                           std::initializer_list<std::pair<const wchar_t*, std::wstring>> values) {
    for (const auto& value : values) SetValue(value.first, value.second);
    BSTR name = SysAllocString(command);
    EXCEPINFO record = EXCEPINFO();
    HRESULT hr = host_->Command(session_.get(), name, &record);
    SysFreeString(name);
    SysFreeString(record.bstrSource);
    SysFreeString(record.bstrDescription);
    SysFreeString(record.bstrHelpFile);
    return hr;
}

namespace {

std::wstring Replaced(std::wstring text, const wchar_t* token, const std::wstring& by) {
    for (size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + by.size()))
        text.replace(at, wcslen(token), by);
    return text;
}

std::wstring UpToZero(const std::wstring& text) { return std::wstring(text.c_str()); }

// The Session Props value the plug-in wrote for name, whose name it keeps
// in the ANSI code page.
void RemoveSessionProp(const std::wstring& name) {
    std::string ansi(name.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, &ansi[0], static_cast<int>(ansi.size()), nullptr, nullptr);
    if (n <= 0) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SESSION_PROPS_KEY, 0, KEY_SET_VALUE, &key)) return;
    RegDeleteValueA(key, ansi.c_str());
    RegCloseKey(key);
}

}  // namespace

CallOutcome FuzzSession::Run(const FuzzCall& call) {
    CallOutcome outcome;
    for (const FilePrep& prep : call.files) PrepareFile(context_.scratch, prep);
    ApplyLogSettings(call.log, context_);
    // The process aRvik.Await is given.
    OwnChild own;
    DWORD pid = 0;
    switch (call.target) {
    case AwaitTarget::None:
    case AwaitTarget::Zero:
        break;
    case AwaitTarget::KeptChild:
        Plain(L"aRvik.Execute",
              {{L"aRvik.Command", L"\"" + context_.exeFolder + L"commands_child.exe\" -s " +
                                      std::to_wstring(call.childSleep) + L" 0"},
               {L"aRvik.Wait", L""}, {L"aRvik.Hide", L""}, {L"aRvik.Dir", L""}, {L"aRvik.Timeout", L""},
               {L"aRvik.Capture", L""}, {L"aRvik.CaptureEncoding", L""}, {L"aRvik.Kill", L""}});
        pid = static_cast<DWORD>(wcstoul(session_->Value(L"aRvik.ProcessId"), nullptr, 10));
        break;
    case AwaitTarget::OwnChild:
        own = StartChild(context_, call.childSleep);
        pid = own.id;
        break;
    case AwaitTarget::Self:
        pid = GetCurrentProcessId();
        break;
    case AwaitTarget::NoProcess:
        pid = call.noProcessId;
        break;
    }
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%lX", static_cast<unsigned long>(pid));
    // Every tracked property: the call's value, or the mark of one untouched.
    bool session = call.command != Command::NewSession;
    for (const wchar_t* property : TrackedProperties()) {
        const Argument* given = nullptr;
        for (const Argument& argument : call.arguments)
            if (wcscmp(argument.property, property) == 0) given = &argument;
        std::wstring value = kUntouched;
        if (given) {
            value = *given->value.text;
            if (call.target != AwaitTarget::None && wcscmp(property, L"aRvik.ProcessId") == 0)
                value = Replaced(Replaced(value, L"{pidhex}", hex), L"{pid}", std::to_wstring(pid));
        }
        SetValue(property, value);
        if (session) outcome.before[property] = UpToZero(value);
    }
    // The property SetProp would set stays untouched when it fails.
    if (call.command == Command::SetProp) {
        std::wstring target = UpToZero(*call.arguments[0].value.text);
        if (!target.empty() && target.size() <= 16383 && !outcome.before.count(target)) {
            SetValue(target.c_str(), kUntouched);
            outcome.before[target] = kUntouched;
        }
    }
    EXCEPINFO record = EXCEPINFO();
    Watchdog::Begin(call.seed, call.limit, Describe(call));
    LARGE_INTEGER frequency, begun, ended;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begun);
    if (call.command == Command::NewSession) {
        co<HostSession> fresh(new HostSession);
        outcome.result = host_->SessionStarted(fresh.get(), &record);
        session_ = fresh;
    } else {
        BSTR name = SysAllocString(Info(call.command).name);
        outcome.result = host_->Command(session_.get(), name, &record);
        SysFreeString(name);
    }
    QueryPerformanceCounter(&ended);
    Watchdog::End();
    outcome.seconds = static_cast<double>(ended.QuadPart - begun.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (own.process) CloseHandle(own.process);
    // A Session Props value of many MiB would be copied by every later
    // UpdateProps and new session: it has been written once, and goes.
    if (call.command == Command::SetProp && call.arguments[1].value.text->size() > (64u << 10))
        RemoveSessionProp(*call.arguments[0].value.text);
    outcome.code = record.wCode;
    if (record.bstrSource) outcome.source.assign(record.bstrSource, SysStringLen(record.bstrSource));
    if (record.bstrDescription)
        outcome.description.assign(record.bstrDescription, SysStringLen(record.bstrDescription));
    SysFreeString(record.bstrSource);
    SysFreeString(record.bstrDescription);
    SysFreeString(record.bstrHelpFile);
    for (const auto& before : outcome.before) outcome.after[before.first] = session_->Value(before.first.c_str());
    return outcome;
}
