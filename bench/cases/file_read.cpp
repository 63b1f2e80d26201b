// file read: read a file of 1 KiB and of 4 MiB back as text:
// aRvik.FileRead, CreateFileA/ReadFile/MultiByteToWideChar called directly,
// and Scripting.FileSystemObject's OpenTextFile and ReadAll through
// IDispatch as a script would. The host's setting of aRvik.FileName before
// each command is not timed; every variant's text is checked for its
// length after each run.
#include "Cases.h"

#include "../Automation.h"

#include <oleauto.h>

#include <memory>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Text.h"


static void CheckLength(size_t got, size_t size, const char* what) {
    if (got != size)
        throw KLAppException(string(what) + " gave " + std::to_string(got).c_str() + " characters, not " +
                             std::to_string(size).c_str());
}

// The whole file as UTF-16 from the ANSI code page; its length.
static size_t ReadDirect(const std::string& file) {
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    THROW_LAST_ERROR_IF(handle == INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    GetFileSizeEx(handle, &size);
    std::string bytes(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    BOOL ok = ReadFile(handle, &bytes[0], DWORD(bytes.size()), &got, nullptr);
    DWORD error = GetLastError();
    CloseHandle(handle);
    if (!ok) THROW_WIN32(error);
    BSTR text = SysAllocStringLen(nullptr, got);
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(got), text, int(got));
    SysFreeString(text);
    return size_t(n);
}

// OpenTextFile(name, ForReading, no create, ASCII), ReadAll(), Close();
// gives the text's length.
class FsoRead {
public:
    FsoRead() {
        fso_ = CreateAutomationObject(L"Scripting.FileSystemObject", "Scripting.FileSystemObject");
        open_ = MemberId(fso_.get(), L"OpenTextFile", "FileSystemObject members");
    }
    size_t operator()(BSTR file) {
        VARIANT args[4] = {Typed(VT_I4), Typed(VT_BOOL), Typed(VT_I4), Typed(VT_BSTR)};  // reversed
        V_I4(&args[0]) = 0;              // TristateFalse: ASCII
        V_BOOL(&args[1]) = VARIANT_FALSE;
        V_I4(&args[2]) = 1;              // ForReading
        V_BSTR(&args[3]) = file;
        co<IDispatch> holder = CallForObject(fso_.get(), open_, args, 4, "OpenTextFile");
        if (!readAll_) {
            readAll_ = MemberId(holder.get(), L"ReadAll", "FileSystemObject members");
            close_ = MemberId(holder.get(), L"Close", "FileSystemObject members");
        }
        VARIANT text;
        VariantInit(&text);
        CallMethod(holder.get(), readAll_, nullptr, 0, &text, "ReadAll");
        size_t length = V_VT(&text) == VT_BSTR ? SysStringLen(V_BSTR(&text)) : 0;
        VariantClear(&text);
        CallMethod(holder.get(), close_, nullptr, 0, nullptr, "Close");
        return length;
    }

private:
    co<IDispatch> fso_;
    DISPID open_ = 0, readAll_ = 0, close_ = 0;
};

// directGoal: the most the plug-in may take as a multiple of the direct
// read; 0 for none.
static void OneSize(const Context& c, size_t size, const char* group, int batch, const Plan& plan,
                    double directGoal = 0) {
    std::string file = *c.scratch + "read.txt";
    {
        std::string text = Lines(size);
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        THROW_LAST_ERROR_IF(handle == INVALID_HANDLE_VALUE);
        WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(handle);
    }
    co<HostSession> session(new HostSession);
    Bstr name(L"aRvik.FileRead");
    std::wstring wideFile = Wide(file);
    std::unique_ptr<FsoRead> fsoRead;
    std::string noFso;
    try {
        fsoRead.reset(new FsoRead);
    } catch (const KelmirException& e) {
        noFso = e.Reason();
    }
    Bstr fsoName(wideFile);
    std::vector<Result> results = Measure(plan, {PluginVariant(c, batch, [&] {
        double seconds = 0;
        for (int i = 0; i < batch; ++i) {
            session->Set(L"aRvik.FileName", wideFile.c_str());
            Stopwatch watch;
            CheckResult(c.plugin->Command(session.get(), name), "aRvik.FileRead");
            seconds += watch.Seconds();
        }
        CheckLength(wcslen(session->Value(L"aRvik.FileText")), size, "aRvik.FileRead");
        return seconds;
    }), Variant{batch, [&] {
        size_t length = 0;
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) length = ReadDirect(file);
        double seconds = watch.Seconds();
        CheckLength(length, size, "the direct read");
        return seconds;
    }, ""}, Variant{batch, [&] {
        size_t length = 0;
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) length = (*fsoRead)(fsoName);
        double seconds = watch.Seconds();
        CheckLength(length, size, "ReadAll");
        return seconds;
    }, noFso}});
    DeleteFileA(file.c_str());
    const Result &plugin = results[0], &direct = results[1], &fso = results[2];
    std::string ratio = Ratio(plugin, fso);
    c.table->Add({group, "aRvik.FileRead", plugin, "", "", ""});
    std::string directRatio = Ratio(plugin, direct);
    char goal[32] = "";
    if (directGoal > 0) snprintf(goal, sizeof goal, "ratio <= %.1f", directGoal);
    c.table->Add({group, "direct: CreateFileA + ReadFile + MultiByteToWideChar", direct, directRatio, goal,
                  directGoal > 0 && !directRatio.empty() ? Verdict(plugin.median <= directGoal * direct.median) : ""});
    c.table->Add({group, "FileSystemObject OpenTextFile + ReadAll", fso, ratio, "ratio <= 1.0",
                  ratio.empty() ? "" : Verdict(plugin.median <= fso.median)});
}

void FileReadCase(const Context& c) {
    OneSize(c, 1024, "file read, 1 KiB", 20, Budget(c, 3.0, 9, 51));
    OneSize(c, 4 << 20, "file read, 4 MiB", 1, Budget(c, 6.0, 9, 31), 1.2);
}
