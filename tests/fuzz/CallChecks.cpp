#include "CallChecks.h"

#include <stdio.h>
#include <wchar.h>

#include <fwbase/Path.h>

#include "FuzzFixtures.h"
#include "Utf8.h"

namespace {

bool IsIn(const std::vector<const wchar_t*>& names, const std::wstring& name) {
    for (const wchar_t* n : names)
        if (name == n) return true;
    return false;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsAbsolute(const std::wstring& path) {
    if (path.empty()) return false;
    if (IsSeparator(path[0])) return true;
    wchar_t c = path[0];
    bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    return letter && path.size() > 2 && path[1] == L':' && IsSeparator(path[2]);
}

// %NAME% references of any length expanded, as commands.md has it: one
// not set, and a lone "%", stay as they stand.
std::wstring Expanded(const std::wstring& text) {
    std::wstring out;
    size_t done = 0;
    for (size_t at = text.find(L'%'); at != std::wstring::npos;) {
        size_t end = text.find(L'%', at + 1);
        if (end == std::wstring::npos) break;
        std::wstring name = text.substr(at + 1, end - at - 1);
        DWORD n = name.empty() ? 0 : GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        std::wstring value(n, L'\0');
        DWORD got = n ? GetEnvironmentVariableW(name.c_str(), &value[0], n) : 0;
        if (got && got < n) {
            out += text.substr(done, at - done) + value.substr(0, got);
            done = end + 1;
        }
        at = text.find(L'%', end + 1);
    }
    return out + text.substr(done);
}

std::wstring FullWide(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (!n) return path;
    std::wstring out(n, L'\0');
    DWORD got = GetFullPathNameW(path.c_str(), n, &out[0], nullptr);
    if (!got || got >= n) return path;
    out.resize(got);
    return out;
}

std::string Ansi(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string FullNarrow(const std::string& path) {
    DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (!n) return path;
    std::string out(n, '\0');
    DWORD got = GetFullPathNameA(path.c_str(), n, &out[0], nullptr);
    if (!got || got >= n) return path;
    out.resize(got);
    return out;
}

bool HasControl(const std::wstring& text) {
    for (wchar_t c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// The fixed texts of a number that is none and of a plain write that
// cannot be made show the value as it was given, control characters and
// all; only the plug-in's other texts show them as "?".
bool KeepsValuesAsGiven(const std::wstring& text) {
    for (const wchar_t* fixed : {L"Неверный формат числа: ", L"Не удалось записать файл (путь не найден): ",
                                 L"Не удалось записать файл (нет доступа): "})
        if (text.compare(0, wcslen(fixed), fixed) == 0) return true;
    return false;
}

// "*" any run of characters, "?" one character (a surrogate pair is one),
// as commands.md has FileList's masks.
bool Glob(const wchar_t* mask, const wchar_t* name) {
    if (!*mask) return !*name;
    if (*mask == L'*') return Glob(mask + 1, name) || (*name && Glob(mask, name + 1));
    if (!*name) return false;
    bool pair = name[0] >= 0xD800 && name[0] <= 0xDBFF && name[1] >= 0xDC00 && name[1] <= 0xDFFF;
    if (*mask == L'?') return Glob(mask + 1, name + (pair ? 2 : 1));
    return *mask == *name && Glob(mask + 1, name + 1);
}

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool Digits(const std::wstring& text) {
    return !text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos;
}

// The results a success writes, in the forms commands.md gives them.
void CheckResults(const FuzzCall& call, const std::map<std::wstring, std::wstring>& before,
                  const std::map<std::wstring, std::wstring>& after, std::vector<Finding>& findings) {
    auto value = [](const std::map<std::wstring, std::wstring>& values, const wchar_t* name) {
        auto found = values.find(name);
        return found == values.end() ? std::wstring() : found->second;
    };
    auto expect = [&](bool holds, const wchar_t* name) {
        if (!holds) findings.push_back({"result", Utf8(name) + " holds " + Printable(value(after, name), 60)});
    };
    std::wstring result = value(after, L"aRvik.Result");
    switch (call.command) {
    case Command::Execute:
        if (value(before, L"aRvik.Command").empty()) break;
        expect(Digits(value(after, L"aRvik.ProcessId")), L"aRvik.ProcessId");
        expect(value(before, L"aRvik.Wait").empty() ? result.empty() : Digits(result), L"aRvik.Result");
        break;
    case Command::Await:
        expect(Digits(result), L"aRvik.Result");
        break;
    case Command::Http:
        expect(result.size() == 3 && Digits(result), L"aRvik.Result");
        break;
    case Command::FileHash: {
        std::wstring hash = value(after, L"aRvik.Value");
        bool sized = hash.size() == 32 || hash.size() == 40 || hash.size() == 64 || hash.size() == 128;
        expect(sized && hash.find_first_not_of(L"0123456789abcdef") == std::wstring::npos, L"aRvik.Value");
        break;
    }
    case Command::JsonGet:
        expect(result.empty() || result == L"string" || result == L"number" || result == L"bool" ||
                   result == L"null" || result == L"object" || result == L"array",
               L"aRvik.Result");
        break;
    case Command::RegRead:
        expect(result.compare(0, 4, L"REG_") == 0, L"aRvik.Result");
        break;
    case Command::RegList:
        expect(Digits(result), L"aRvik.Result");
        break;
    case Command::IniRead:
        expect(result == L"found" || (result.empty() && value(after, L"aRvik.Value").empty()), L"aRvik.Result");
        break;
    case Command::IniDelete:
        expect(result == L"0" || result == L"1", L"aRvik.Result");
        break;
    case Command::ProcessList:
    case Command::ProcessEnd:
        expect(Digits(result), L"aRvik.Result");
        break;
    case Command::FileInfo: {
        std::wstring size = value(after, L"aRvik.FileSize"), time = value(after, L"aRvik.FileTime");
        expect(result == L"file" || result == L"folder" || result.empty(), L"aRvik.Result");
        bool stamp = time.size() == 19 && time[4] == L'-' && time[7] == L'-' && time[10] == L' ' && time[13] == L':' &&
                     time[16] == L':';
        expect(result == L"file" ? Digits(size) : size.empty(), L"aRvik.FileSize");
        expect(result == L"file" ? stamp : time.empty(), L"aRvik.FileTime");
        break;
    }
    default:
        break;
    }
}

// A listing that succeeded: as many lines as its count, each name one the
// mask matches (case ignored). A text cut at 16 MiB is left alone.
void CheckListing(const std::map<std::wstring, std::wstring>& after, std::vector<Finding>& findings) {
    auto value = [&after](const wchar_t* name) {
        auto found = after.find(name);
        return found == after.end() ? std::wstring() : found->second;
    };
    std::wstring name = value(L"aRvik.FileName"), text = value(L"aRvik.FileText");
    if (text.compare(0, 1, L"[") == 0 && text.find(L" байт]\r\n") != std::wstring::npos) return;
    size_t last = name.find_last_of(L"\\/");
    std::wstring mask = last == std::wstring::npos ? name : name.substr(last + 1);
    if (mask.find_first_of(L"*?") == std::wstring::npos) mask = L"*";
    std::vector<std::wstring> lines;
    for (size_t at = 0; !text.empty();) {
        size_t end = text.find(L"\r\n", at);
        lines.push_back(text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        if (end == std::wstring::npos) break;
        at = end + 2;
    }
    if (std::to_wstring(lines.size()) != value(L"aRvik.Result"))
        findings.push_back({"listing", "aRvik.Result is " + Printable(value(L"aRvik.Result")) + " for " +
                                           std::to_string(lines.size()) + " names"});
    for (std::wstring line : lines) {
        if (!line.empty() && line.back() == L'\\') line.pop_back();
        if (!Glob(Upper(mask).c_str(), Upper(line).c_str()))
            findings.push_back({"listing", Printable(line) + " does not match the mask " + Printable(mask)});
    }
}

}  // namespace

std::wstring ResolvedName(const std::wstring& name, bool narrow) {
    if (name.empty()) return name;
    std::wstring data = DataFolder();
    if (!narrow) {
        std::wstring expanded = Expanded(name);
        if (!IsAbsolute(expanded)) expanded = Expanded(data + name);
        return FullWide(expanded);
    }
    // As the ANSI code page holds it, expanded as the support library does.
    std::string ansi = Ansi(name);
    if (!IsAbsolutePath(ExpEnv(ansi.c_str()))) ansi = Ansi(data) + ansi;
    return FromAnsi(FullNarrow(std::string(ExpEnv(ansi.c_str()).c_str())));
}

std::vector<Finding> CheckCall(const FuzzCall& call, const CallOutcome& outcome, const FailureTexts& texts,
                               std::string& matched) {
    std::vector<Finding> findings;
    const CommandInfo& info = Info(call.command);
    auto value = [](const std::map<std::wstring, std::wstring>& values, const wchar_t* name) {
        auto found = values.find(name);
        return found == values.end() ? std::wstring() : found->second;
    };
    // A target that is the source itself in another form is refused before
    // anything is touched (not through a share, which the system may not
    // serve).
    if (call.command == Command::FileCopy || call.command == Command::FileMove) {
        const std::string& kind = call.arguments[1].value.kind;
        bool same = kind.size() > 10 && kind.compare(kind.size() - 10, 10, "/same-file") == 0 &&
                    kind.compare(0, 4, "unc/") != 0 && kind.compare(0, 9, "long-unc/") != 0;
        // Refused before: an unknown mode, an empty name, a device's or a
        // stream's name (every "\\.\" one); a missing file, or one that
        // is no file on a disk, before another spelling of it is compared.
        std::string text = Utf8(outcome.description);
        bool refused = outcome.result != S_OK &&
                       (text.find(u8"Файл назначения совпадает с исходным") == 0 ||
                        text.find(u8"Неизвестный режим") == 0 || text.find(u8"Не указан файл") == 0 ||
                        text.find(u8" (это устройство): ") != std::string::npos ||
                        text.find(u8" (имя с потоком): ") != std::string::npos ||
                        text.find(u8" (файл не найден): ") != std::string::npos);
        if (same && !refused)
            findings.push_back({"the file itself not refused as target",
                                "aRvik.FileTarget [" + kind + "]: " +
                                    (outcome.result == S_OK ? std::string("the command succeeded")
                                                            : Printable(outcome.description, 200))});
    }
    if (outcome.result == S_OK) {
        // Execute without a command does nothing at all.
        bool nothing = call.command == Command::Execute && value(outcome.before, L"aRvik.Command").empty();
        for (const wchar_t* name : info.cleared) {
            std::wstring after = value(outcome.after, name);
            if (!nothing && !after.empty())
                findings.push_back({"not cleared", Utf8(name) + " holds " + Printable(after, 60) + " after a success"});
        }
        if (call.command == Command::FileList) CheckListing(outcome.after, findings);
        CheckResults(call, outcome.before, outcome.after, findings);
        return findings;
    }
    if (outcome.result != DISP_E_EXCEPTION) {
        char text[64];
        snprintf(text, sizeof text, "result 0x%08lX", static_cast<unsigned long>(outcome.result));
        findings.push_back({"result", text});
        return findings;
    }
    if (outcome.code != 59999 || outcome.source != L"Kelmir Tallivant")
        findings.push_back({"record", "code " + std::to_string(outcome.code) + ", source " + Utf8(outcome.source)});
    if (HasControl(outcome.description) && !KeepsValuesAsGiven(outcome.description))
        findings.push_back({"control character in text", Printable(outcome.description, 300)});
    // A password is shown as "***" (the URLs' user-info has "secret").
    if (outcome.description.find(L":secret@") != std::wstring::npos)
        findings.push_back({"password shown", Printable(outcome.description, 200)});
    matched = texts.Match(info.heading, Utf8(outcome.description));
    if (matched.empty()) findings.push_back({"undocumented text", Printable(outcome.description, 300)});
    for (const auto& before : outcome.before) {
        const std::wstring& name = before.first;
        std::wstring after = value(outcome.after, name.c_str());
        if (after == before.second) continue;
        if (IsIn(info.results, name)) continue;
        if (IsIn(info.names, name) && after == ResolvedName(before.second, info.narrowNames)) continue;
        findings.push_back({"property changed by a failure", Utf8(name) + ": " + Printable(before.second, 60) +
                                                                 " became " + Printable(after, 60)});
    }
    bool resultEmptied = call.command == Command::Execute || call.command == Command::Await ||
                         call.command == Command::Http;
    if (resultEmptied && !value(outcome.after, L"aRvik.Result").empty())
        findings.push_back({"result after a failure",
                            "aRvik.Result holds " + Printable(value(outcome.after, L"aRvik.Result"), 60)});
    // With an OutFile, Output is not Http's.
    if (call.command == Command::Http && value(outcome.before, L"aRvik.OutFile").empty() &&
        !value(outcome.after, L"aRvik.Output").empty())
        findings.push_back({"result after a failure",
                            "aRvik.Output holds " + Printable(value(outcome.after, L"aRvik.Output"), 60)});
    return findings;
}
