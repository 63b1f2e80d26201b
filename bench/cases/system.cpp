// The INI, process and sorted-list commands against the direct calls:
// aRvik.ProcessList against the toolhelp snapshot, its sort and its text;
// aRvik.ProcessEnd against OpenProcess + TerminateProcess + the wait, each
// of a bench_child started untimed; aRvik.IniRead and aRvik.IniWrite of a
// key in a file of 200 lines against GetPrivateProfileStringW and
// WritePrivateProfileStringW; aRvik.FileList of 2,000 names newest first
// against FindFirstFileExW, a sort by time and the text. The host's setting
// of the arguments is not timed; every variant's result is checked.
#include "Cases.h"

#include <windows.h>

#include <tlhelp32.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Text.h"
#include "common/Files.h"

namespace {

void Expect(bool good, const std::string& what) {
    if (!good) throw KLAppException(what.c_str());
}

// The processes as aRvik.ProcessList gives them all; their count.
size_t ListDirect() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    THROW_LAST_ERROR_IF(snapshot == INVALID_HANDLE_VALUE);
    std::vector<std::pair<DWORD, std::wstring>> processes;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes.emplace_back(entry.th32ProcessID, entry.szExeFile);
    CloseHandle(snapshot);
    std::sort(processes.begin(), processes.end());
    std::wstring text;
    for (const auto& process : processes) {
        if (!text.empty()) text += L"\r\n";
        text += std::to_wstring(process.first) + L"\t" + process.second;
    }
    BSTR out = SysAllocStringLen(text.data(), UINT(text.size()));
    SysFreeString(out);
    return processes.size();
}

// The names of folder newest first, ties by name, one per line.
size_t NewestDirect(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    THROW_LAST_ERROR_IF(find == INVALID_HANDLE_VALUE);
    std::vector<std::pair<ULONGLONG, std::wstring>> names;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
            names.emplace_back(ULONGLONG(found.ftLastWriteTime.dwHighDateTime) << 32 | found.ftLastWriteTime.dwLowDateTime,
                               found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : lstrcmpiW(a.second.c_str(), b.second.c_str()) < 0;
    });
    std::wstring text;
    for (const auto& name : names) {
        if (!text.empty()) text += L"\r\n";
        text += name.second;
    }
    BSTR out = SysAllocStringLen(text.data(), UINT(text.size()));
    SysFreeString(out);
    return names.size();
}

// A sleeping bench_child, started untimed.
HANDLE StartSleeper(DWORD& id) {
    std::string line = "\"" + ExeFolder() + "bench_child.exe\" -s 60000";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    THROW_IF_WIN32_FALSE(
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    id = info.dwProcessId;
    return info.hProcess;
}

void Rows(const Context& c, const char* group, const char* command, const std::vector<Result>& results,
          const char* direct, const char* goal, double factor) {
    std::string ratio = Ratio(results[0], results[1]);
    c.table->Add({group, command, results[0], "", "", ""});
    c.table->Add({group, direct, results[1], ratio, goal,
                  ratio.empty() || !*goal ? "" : Verdict(results[0].median <= factor * results[1].median)});
}

}  // namespace

void SystemCase(const Context& c) {
    co<HostSession> session(new HostSession);
    const int batch = 5;
    Bstr list(L"aRvik.ProcessList");
    Rows(c, "process list", "aRvik.ProcessList",
         Measure(Budget(c, 4.0, 9, 51), {PluginVariant(c, batch, [&] {
             Stopwatch watch;
             for (int i = 0; i < batch; ++i) CheckResult(c.plugin->Command(session.get(), list), "aRvik.ProcessList");
             double seconds = watch.Seconds();
             Expect(_wtoi(session->Value(L"aRvik.Result")) > 1, "aRvik.ProcessList gave no processes");
             return seconds;
         }), Variant{batch, [&] {
             size_t count = 0;
             Stopwatch watch;
             for (int i = 0; i < batch; ++i) count = ListDirect();
             double seconds = watch.Seconds();
             Expect(count > 1, "the snapshot gave no processes");
             return seconds;
         }, ""}}),
         "direct: toolhelp snapshot + sort by id + text", "ratio <= 1.1", 1.1);

    Bstr end(L"aRvik.ProcessEnd");
    Rows(c, "process end", "aRvik.ProcessEnd",
         Measure(Budget(c, 6.0, 9, 31), {PluginVariant(c, 1, [&] {
             DWORD id = 0;
             HANDLE process = StartSleeper(id);
             session->Set(L"aRvik.ProcessId", std::to_wstring(id).c_str());
             Stopwatch watch;
             HRESULT hr = c.plugin->Command(session.get(), end);
             double seconds = watch.Seconds();
             bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
             if (!ended) TerminateProcess(process, 9);
             CloseHandle(process);
             CheckResult(hr, "aRvik.ProcessEnd");
             Expect(ended, "aRvik.ProcessEnd left the process running");
             return seconds;
         }), Variant{1, [&] {
             DWORD id = 0;
             HANDLE started = StartSleeper(id);
             Stopwatch watch;
             HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
             bool ended = process && TerminateProcess(process, 1) && WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
             double seconds = watch.Seconds();
             if (process) CloseHandle(process);
             if (!ended) TerminateProcess(started, 9);
             CloseHandle(started);
             Expect(ended, "TerminateProcess left the process running");
             return seconds;
         }, ""}}),
         "direct: OpenProcess + TerminateProcess + wait", "", 0);

    std::string ini = *c.scratch + "bench.ini";
    {
        std::string text;
        for (int s = 0; s < 20; ++s) {
            text += "; section " + std::to_string(s) + "\r\n[Section" + std::to_string(s) + "]\r\n";
            for (int k = 0; k < 9; ++k) text += "Key" + std::to_string(k) + "=value " + std::to_string(k) + "\r\n";
        }
        HANDLE file = CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        THROW_LAST_ERROR_IF(file == INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(file);
    }
    std::wstring wideIni = Wide(ini);
    Bstr read(L"aRvik.IniRead");
    Rows(c, "ini read, 200 lines", "aRvik.IniRead",
         Measure(Budget(c, 3.0, 9, 51), {PluginVariant(c, batch, [&] {
             double seconds = 0;
             for (int i = 0; i < batch; ++i) {
                 session->Set(L"aRvik.FileName", wideIni.c_str());
                 session->Set(L"aRvik.IniSection", L"section19");
                 session->Set(L"aRvik.IniKey", L"key8");
                 Stopwatch watch;
                 CheckResult(c.plugin->Command(session.get(), read), "aRvik.IniRead");
                 seconds += watch.Seconds();
             }
             Expect(wcscmp(session->Value(L"aRvik.Value"), L"value 8") == 0, "aRvik.IniRead gave another value");
             return seconds;
         }), Variant{batch, [&] {
             wchar_t value[64] = L"";
             Stopwatch watch;
             for (int i = 0; i < batch; ++i)
                 GetPrivateProfileStringW(L"section19", L"key8", L"", value, 64, wideIni.c_str());
             double seconds = watch.Seconds();
             Expect(wcscmp(value, L"value 8") == 0, "GetPrivateProfileStringW gave another value");
             return seconds;
         }, ""}}),
         "GetPrivateProfileStringW", "", 0);

    Bstr write(L"aRvik.IniWrite");
    int round = 0;
    Rows(c, "ini write, 200 lines", "aRvik.IniWrite",
         Measure(Budget(c, 4.0, 9, 31), {PluginVariant(c, 1, [&] {
             std::wstring value = L"new " + std::to_wstring(++round);
             session->Set(L"aRvik.FileName", wideIni.c_str());
             session->Set(L"aRvik.IniSection", L"Section10");
             session->Set(L"aRvik.IniKey", L"Key4");
             session->Set(L"aRvik.Value", value.c_str());
             Stopwatch watch;
             CheckResult(c.plugin->Command(session.get(), write), "aRvik.IniWrite");
             double seconds = watch.Seconds();
             wchar_t got[64] = L"";
             GetPrivateProfileStringW(L"Section10", L"Key4", L"", got, 64, wideIni.c_str());
             Expect(value == got, "aRvik.IniWrite wrote another value");
             return seconds;
         }), Variant{1, [&] {
             std::wstring value = L"new " + std::to_wstring(++round);
             Stopwatch watch;
             THROW_IF_WIN32_FALSE(WritePrivateProfileStringW(L"Section11", L"Key4", value.c_str(), wideIni.c_str()));
             double seconds = watch.Seconds();
             wchar_t got[64] = L"";
             GetPrivateProfileStringW(L"Section11", L"Key4", L"", got, 64, wideIni.c_str());
             Expect(value == got, "WritePrivateProfileStringW wrote another value");
             return seconds;
         }, ""}}),
         "WritePrivateProfileStringW", "", 0);
    DeleteFileA(ini.c_str());

    // Made once: 2,000 names of 2,000 times.
    std::string folder = *c.scratch + "sorted";
    CreateDirectoryA(folder.c_str(), nullptr);
    const int names = 2000;
    for (int i = 0; i < names; ++i) {
        char name[32];
        snprintf(name, sizeof name, "\\Name %04d.txt", (i * 7919) % names);
        HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        THROW_LAST_ERROR_IF(file == INVALID_HANDLE_VALUE);
        FILETIME time = {static_cast<DWORD>(i * 10000000u), 30000000u};
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    std::wstring wideFolder = Wide(folder);
    Bstr fileList(L"aRvik.FileList");
    Rows(c, "file list newest, 2,000 names", "aRvik.FileList newest",
         Measure(Budget(c, 4.0, 9, 31), {PluginVariant(c, 1, [&] {
             session->Set(L"aRvik.FileName", wideFolder.c_str());
             session->Set(L"aRvik.FileSort", L"newest");
             Stopwatch watch;
             CheckResult(c.plugin->Command(session.get(), fileList), "aRvik.FileList");
             double seconds = watch.Seconds();
             Expect(wcscmp(session->Value(L"aRvik.Result"), L"2000") == 0, "aRvik.FileList gave another count");
             return seconds;
         }), Variant{1, [&] {
             Stopwatch watch;
             size_t count = NewestDirect(wideFolder);
             double seconds = watch.Seconds();
             Expect(count == names, "the direct listing gave another count");
             return seconds;
         }, ""}}),
         "direct: FindFirstFileExW + sort by time + join", "ratio <= 1.1", 1.1);
    session->Set(L"aRvik.FileText", L"");
    RemoveTree(folder);
}
