#include "ScriptRunner.h"

#include <windows.h>
#include <oleauto.h>
#include <stdio.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <sstream>
#include <vector>

#include <RegistryNames.h>

#include "Console.h"

namespace {

std::wstring Trim(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t\r\n");
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Splits "WORD rest" at the first blank.
void Split(const std::wstring& s, std::wstring& word, std::wstring& rest) {
    size_t blank = s.find_first_of(L" \t");
    word = s.substr(0, blank);
    rest = blank == std::wstring::npos ? std::wstring() : Trim(s.substr(blank));
}

const wchar_t* const kSettingsKey = L"" PLUGIN_KEY;
const wchar_t* const kPropsKey = L"" SESSION_PROPS_KEY;
// The user's policies, as Group Policy would write them.
const wchar_t* const kPolicyKey = L"" POLICY_KEY;
const wchar_t* const kPolicyPropsKey = L"" POLICY_SESSION_PROPS_KEY;

// "NAME = VALUE", NAME perhaps in double quotes (it may hold blanks there);
// VALUE as written. False without "=" or with an empty name.
bool Assignment(const std::wstring& s, std::wstring& name, std::wstring& value) {
    size_t eq;
    if (!s.empty() && s[0] == L'"') {
        size_t close = s.find(L'"', 1);
        if (close == std::wstring::npos) return false;
        name = s.substr(1, close - 1);
        eq = s.find_first_not_of(L" \t", close + 1);
        if (eq == std::wstring::npos || s[eq] != L'=') return false;
    } else {
        eq = s.find(L'=');
        if (eq == std::wstring::npos) return false;
        name = Trim(s.substr(0, eq));
    }
    value = Trim(s.substr(eq + 1));
    return !name.empty();
}

// A value in double quotes loses them and keeps its blanks; "" inside
// stands for one quote. Gives what is wrong, or an empty text.
std::wstring Unquote(std::wstring& value, bool& quoted) {
    quoted = !value.empty() && value[0] == L'"';
    if (!quoted) return std::wstring();
    std::wstring out;
    for (size_t i = 1; i < value.size(); ++i) {
        if (value[i] != L'"') {
            out += value[i];
        } else if (i + 1 == value.size()) {
            value = out;
            return std::wstring();
        } else if (value[i + 1] == L'"') {
            out += L'"';
            ++i;
        } else {
            return L"a quote inside a quoted value is written twice: \"\"";
        }
    }
    return L"the quoted value has no closing quote";
}

// A value as the console shows it: whole up to 200 characters, else its
// length and its start.
std::wstring Shown(const std::wstring& value) {
    if (value.size() <= 200) return L"\"" + value + L"\"";
    return std::to_wstring(value.size()) + L" characters: \"" + value.substr(0, 60) + L"...\"";
}

std::string Hex(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

VARIANT Object(IUnknown* object) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_UNKNOWN;
    V_UNKNOWN(&v) = object;
    return v;
}

}  // namespace

ScriptRunner::ScriptRunner(HostObject* host) : host_(host), session_(new HostSession) {
    // A session begins: every session extender receives it.
    for (const auto& extender : host_->Sessions()->Extenders()) {
        VARIANT arg = Object(session_.get());
        Invoke(extender.get(), L"SessionStarted", &arg, 1, nullptr, L"session start");
    }
}

ScriptRunner::~ScriptRunner() {
    for (const auto& extender : host_->Sessions()->Extenders()) {
        VARIANT arg;
        VariantInit(&arg);
        Invoke(extender.get(), L"SessionEnded", &arg, 1, nullptr, L"session end");
    }
}

int ScriptRunner::Run(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Print("cannot read the script " + path);
        return -1;
    }
    file_ = path;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    std::wistringstream lines(Wide(text, CP_UTF8));
    std::wstring statement;
    line_ = 0;
    while (std::getline(lines, statement)) {
        ++line_;
        statement = Trim(statement);
        if (statement.empty() || statement[0] == L'#') continue;
        if (!Step(statement) && stopOnError_) {
            Print(file_ + ":" + std::to_string(line_) + ": the script stops here");
            break;
        }
    }
    if (accepted_) Print(std::to_string(accepted_) + " failure(s) accepted by \"on error continue\"");
    return failures_;
}

void ScriptRunner::Fail(const std::wstring& what) {
    Print(Wide(file_ + ":" + std::to_string(line_) + ": ", CP_ACP) + what);
    if (stopOnError_) {
        ++failures_;
    } else {
        ++accepted_;
        Print("  (on error continue: going on)");
    }
}

bool ScriptRunner::Expand(const std::wstring& text, std::wstring& out) {
    out.clear();
    size_t at = 0;
    for (;;) {
        size_t open = text.find(L"${", at);
        size_t close = open == std::wstring::npos ? open : text.find(L'}', open);
        if (close == std::wstring::npos) {
            out += text.substr(at);
            return true;
        }
        std::wstring name = text.substr(open + 2, close - open - 2);
        out += text.substr(at, open - at);
        at = close + 1;
        // The two characters a script line cannot hold; the names are
        // taken, whatever a property of that name holds.
        if (name == L"CRLF" || name == L"TAB") {
            out += name == L"TAB" ? L"\t" : L"\r\n";
            continue;
        }
        // A misspelt name would otherwise quietly give an empty text.
        if (!session_->Has(name.c_str())) {
            Fail(L"${" + name + L"}: the session property " + name + L" was never set");
            return false;
        }
        out += session_->Value(name.c_str());
    }
}

// NAME = VALUE of a statement, VALUE unquoted and expanded; usage is the
// complaint when the statement has no such form.
bool ScriptRunner::Assign(const std::wstring& usage, const std::wstring& rest, std::wstring& name,
                          std::wstring& value, bool* quoted) {
    std::wstring raw;
    if (!Assignment(rest, name, raw)) {
        Fail(usage);
        return false;
    }
    bool inQuotes = false;
    std::wstring wrong = Unquote(raw, inQuotes);
    if (!wrong.empty()) {
        Fail(name + L": " + wrong);
        return false;
    }
    if (quoted) *quoted = inQuotes;
    return Expand(raw, value);
}

// "setting" and "prop", and the same after "policy": wide registry calls,
// so that any text arrives as written; the plug-in reads it in its code
// page.
bool ScriptRunner::Registry(const std::wstring& word, const std::wstring& rest, bool policy) {
    bool setting = word == L"setting";
    std::wstring name, value;
    bool quoted = false;
    std::wstring usage = setting ? L"setting needs \"NAME\" = VALUE" : L"prop needs NAME = VALUE";
    if (!Assign(policy ? L"policy " + usage : usage, rest, name, value, &quoted)) return false;
    const wchar_t* key = policy ? (setting ? kPolicyKey : kPolicyPropsKey) : setting ? kSettingsKey : kPropsKey;
    std::wstring label = (policy ? L"policy " : L"") + (setting ? L"setting \"" + name + L"\"" : L"prop " + name);
    if (value.empty() && !quoted) {
        LONG error = RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name.c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
            Fail(label + L": cannot remove it: Windows error " + std::to_wstring(error));
            return false;
        }
        Print(L"  " + label + (error == ERROR_SUCCESS ? L" removed" : L" was not there"));
        return true;
    }
    bool number = setting && !quoted && value.find_first_not_of(L"0123456789") == std::wstring::npos;
    unsigned long long n = number ? wcstoull(value.c_str(), nullptr, 10) : 0;
    if (number && (value.size() > 10 || n > 0xFFFFFFFFull)) {
        Fail(label + L": " + value + L" does not fit a REG_DWORD; quote it to store a text");
        return false;
    }
    DWORD dword = static_cast<DWORD>(n);
    HKEY opened = nullptr;
    LONG error = RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (error == ERROR_SUCCESS) {
        error = number ? RegSetValueExW(opened, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword),
                                        sizeof dword)
                       : RegSetValueExW(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    if (error != ERROR_SUCCESS) {
        Fail(label + L": cannot write it: Windows error " + std::to_wstring(error));
        return false;
    }
    Print(L"  " + label + L" = " + (number ? std::to_wstring(dword) + L" (REG_DWORD)" : Shown(value) + L" (REG_SZ)"));
    return true;
}

bool ScriptRunner::Step(const std::wstring& statement) {
    std::wstring word, rest, name, value;
    Split(statement, word, rest);
    if (word == L"echo") {
        if (!Expand(rest, value)) return false;
        Print(value);
        return true;
    }
    if (word == L"set") {
        if (!Assign(L"set needs NAME = VALUE", rest, name, value)) return false;
        session_->Set(name.c_str(), value.c_str());
        Print(L"  set " + name + L" = " + Shown(value));
        return true;
    }
    if (word == L"setting" || word == L"prop") return Registry(word, rest, false);
    if (word == L"policy") {
        std::wstring kind, assignment;
        Split(rest, kind, assignment);
        if (kind == L"setting" || kind == L"prop") return Registry(kind, assignment, true);
        Fail(L"policy needs setting \"NAME\" = VALUE or prop NAME = VALUE");
        return false;
    }
    if (word == L"print") {
        if (!session_->Has(rest.c_str()))
            Print(L"  " + rest + L" is not set");
        else
            Print(L"  " + rest + L" = " + Shown(session_->Value(rest.c_str())));
        return true;
    }
    if (word == L"expect") {
        if (!Assign(L"expect needs NAME = VALUE", rest, name, value)) return false;
        std::wstring actual = session_->Value(name.c_str());
        if (actual == value) {
            Print(L"  ok: " + name + L" = " + Shown(value));
            return true;
        }
        Fail(L"expected " + name + L" = " + Shown(value) + L", found " + Shown(actual));
        return false;
    }
    if (word == L"run") return Command(rest);
    if (word == L"event") return Event(rest);
    if (word == L"block" || word == L"unblock") {
        bool ok = true;
        for (const auto& extender : host_->Sessions()->Extenders()) {
            VARIANT arg;
            VariantInit(&arg);
            ok = Invoke(extender.get(), word == L"block" ? L"BlockTerminate" : L"UnblockTerminate", &arg, 1,
                        nullptr, word) && ok;
        }
        Print(word == L"block" ? "  termination blocked" : "  termination allowed");
        return ok;
    }
    if (word == L"showlog") return ShowLog(rest.empty() ? 5 : _wtoi(rest.c_str()));
    if (word == L"on") {
        if (rest == L"error stop" || rest == L"error continue") {
            stopOnError_ = rest == L"error stop";
            return true;
        }
        Fail(L"on needs \"error stop\" or \"error continue\"");
        return false;
    }
    Fail(L"unknown statement \"" + word + L"\"");
    return false;
}

// args in their natural order; reported failures name the script line.
bool ScriptRunner::Invoke(IDispatch* object, const wchar_t* member, VARIANT* args, unsigned count,
                          VARIANT* result, const std::wstring& label) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        Fail(std::wstring(L"no member ") + member + L": " + Wide(Hex(hr), CP_ACP));
        return false;
    }
    std::vector<VARIANT> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params = {reversed.data(), nullptr, count, 0};
    EXCEPINFO record = EXCEPINFO();
    UINT argError = 0;
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &record, &argError);
    bool ok = SUCCEEDED(hr);
    if (hr == DISP_E_EXCEPTION) {
        Fail(label + L": DISP_E_EXCEPTION: " +
             (record.bstrDescription ? record.bstrDescription : L"(no description)") + L" [source " +
             (record.bstrSource ? record.bstrSource : L"") + L", code " + std::to_wstring(record.wCode) + L"]");
    } else if (!ok) {
        Fail(label + L": failed with " + Wide(Hex(hr), CP_ACP));
    }
    SysFreeString(record.bstrSource);
    SysFreeString(record.bstrDescription);
    SysFreeString(record.bstrHelpFile);
    return ok;
}

bool ScriptRunner::Command(const std::wstring& name) {
    Print(L"  run " + name);
    BSTR text = SysAllocString(name.c_str());
    bool ok = true;
    for (const auto& extender : host_->Sessions()->Extenders()) {
        VARIANT args[2] = {Object(session_.get()), VARIANT()};
        V_VT(&args[1]) = VT_BSTR;
        V_BSTR(&args[1]) = text;
        ok = Invoke(extender.get(), L"Command", args, 2, nullptr, L"run " + name) && ok;
    }
    SysFreeString(text);
    return ok;
}

// A quit message left in this thread's queue is what ends the host's
// message loop: report it and take it.
bool ScriptRunner::Event(const std::wstring& name) {
    Print(L"  terminal event " + name);
    BSTR text = SysAllocString(name.c_str());
    bool ok = true;
    for (const auto& extender : host_->Terminals()->Extenders()) {
        VARIANT args[2] = {VARIANT(), VARIANT()};
        V_VT(&args[1]) = VT_BSTR;
        V_BSTR(&args[1]) = text;
        ok = Invoke(extender.get(), L"TerminalEvent", args, 2, nullptr, L"event " + name) && ok;
    }
    SysFreeString(text);
    MSG msg;
    bool quit = false;
    WPARAM code = 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            code = msg.wParam;
        }
    }
    if (quit) Print("  the host's message loop would end now (WM_QUIT, exit code " + std::to_string(code) + ")");
    return ok;
}

// "Script LogPath" as the plug-in takes it: the machine's policy, the
// user's, the user's own setting; its environment references expanded.
static bool LogPattern(char (&pattern)[MAX_PATH * 2]) {
    char raw[MAX_PATH * 2] = {};
    const struct {
        HKEY root;
        const char* path;
        REGSAM view;
    } places[] = {{HKEY_LOCAL_MACHINE, POLICY_KEY, KEY_WOW64_64KEY},
                  {HKEY_CURRENT_USER, POLICY_KEY, KEY_WOW64_64KEY},
                  {HKEY_CURRENT_USER, PLUGIN_KEY, 0}};
    for (const auto& place : places) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(place.root, place.path, 0, KEY_QUERY_VALUE | place.view, &key) != ERROR_SUCCESS) continue;
        DWORD size = sizeof raw - 1;
        LONG error = RegGetValueA(key, nullptr, SCRIPT_LOG_PATH, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                  nullptr, raw, &size);
        RegCloseKey(key);
        if (error != ERROR_SUCCESS) continue;
        DWORD n = ExpandEnvironmentStringsA(raw, pattern, sizeof pattern);
        return n > 0 && n <= sizeof pattern;
    }
    return false;
}

bool ScriptRunner::ShowLog(int lines) {
    char pattern[MAX_PATH * 2] = {};
    if (!LogPattern(pattern)) {
        Fail(L"no \"Script LogPath\": is the plug-in installed?");
        return false;
    }
    std::string folder(pattern);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        Fail(Wide(std::string("no script log matches ") + pattern, CP_ACP));
        return false;
    }
    std::string newest;
    FILETIME newestTime = {};
    do {
        if (newest.empty() || CompareFileTime(&found.ftLastWriteTime, &newestTime) > 0) {
            newest = found.cFileName;
            newestTime = found.ftLastWriteTime;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::string path = folder + newest;
    char full[MAX_PATH * 2] = {};
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    Print(std::string("  script log: ") + full);
    std::ifstream in(path, std::ios::binary);
    std::deque<std::string> tail;
    std::string text;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        tail.push_back(text);
        if (static_cast<int>(tail.size()) > lines) tail.pop_front();
    }
    for (const std::string& l : tail) Print("    | " + l);
    return true;
}
