// file write: replace a file's content with a text of 1 KiB and of 4 MiB:
// aRvik.FileWrite, CreateFileA/WriteFile/SetEndOfFile called directly, and
// Scripting.FileSystemObject's CreateTextFile and Write through IDispatch as
// a script would. The host's setting of aRvik.FileText before each command
// is not timed; every variant's file is checked for its size after each run.
#include "Cases.h"

#include "../Automation.h"

#include <oleauto.h>

#include <memory>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Text.h"


static void CheckSize(const std::string& file, size_t size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
        throw KLAppException(string("no file ") + file.c_str());
    ULONGLONG got = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (got != size)
        throw KLAppException(string("the file holds ") + std::to_string(got).c_str() + " bytes, not " +
                             std::to_string(size).c_str());
}

static void WriteDirect(const std::string& file, const std::string& text) {
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    THROW_LAST_ERROR_IF(handle == INVALID_HANDLE_VALUE);
    DWORD written = 0;
    BOOL ok = WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr) && SetEndOfFile(handle);
    DWORD error = GetLastError();
    CloseHandle(handle);
    if (!ok) THROW_WIN32(error);
}

// CreateTextFile(name, overwrite, not unicode), then Write(text), Close().
class FsoWrite {
public:
    FsoWrite() {
        fso_ = CreateAutomationObject(L"Scripting.FileSystemObject", "Scripting.FileSystemObject");
        create_ = MemberId(fso_.get(), L"CreateTextFile", "FileSystemObject members");
    }
    void operator()(BSTR file, BSTR text) {
        VARIANT args[3] = {Typed(VT_BOOL), Typed(VT_BOOL), Typed(VT_BSTR)};  // reversed
        V_BOOL(&args[0]) = VARIANT_FALSE;
        V_BOOL(&args[1]) = VARIANT_TRUE;
        V_BSTR(&args[2]) = file;
        co<IDispatch> holder = CallForObject(fso_.get(), create_, args, 3, "CreateTextFile");
        if (!write_) {
            write_ = MemberId(holder.get(), L"Write", "FileSystemObject members");
            close_ = MemberId(holder.get(), L"Close", "FileSystemObject members");
        }
        VARIANT body = Typed(VT_BSTR);
        V_BSTR(&body) = text;
        CallMethod(holder.get(), write_, &body, 1, nullptr, "Write");
        CallMethod(holder.get(), close_, nullptr, 0, nullptr, "Close");
    }

private:
    co<IDispatch> fso_;
    DISPID create_ = 0, write_ = 0, close_ = 0;
};

// Goals: the plug-in's time at most directLimit times the direct write's
// and, when fsoLimit is not 0, at most fsoLimit times FileSystemObject's.
static void OneSize(const Context& c, size_t size, const char* group, int batch, const Plan& plan,
                    double directLimit, double fsoLimit) {
    std::string text = Lines(size);
    std::wstring wideText = Wide(text);
    std::string pluginFile = *c.scratch + "write-plugin.txt", directFile = *c.scratch + "write-direct.txt",
                fsoFile = *c.scratch + "write-fso.txt";

    co<HostSession> session(new HostSession);
    Bstr name(L"aRvik.FileWrite");
    std::wstring widePluginFile = Wide(pluginFile);
    std::unique_ptr<FsoWrite> fsoWrite;
    std::string noFso;
    try {
        fsoWrite.reset(new FsoWrite);
    } catch (const KelmirException& e) {
        noFso = e.Reason();
    }
    Bstr fsoName(Wide(fsoFile)), fsoText(wideText);
    std::vector<Result> results = Measure(plan, {PluginVariant(c, batch, [&] {
        double seconds = 0;
        for (int i = 0; i < batch; ++i) {
            session->Set(L"aRvik.FileName", widePluginFile.c_str());
            session->Set(L"aRvik.FileText", wideText.c_str());
            Stopwatch watch;
            CheckResult(c.plugin->Command(session.get(), name), "aRvik.FileWrite");
            seconds += watch.Seconds();
        }
        CheckSize(pluginFile, size);
        return seconds;
    }), Variant{batch, [&] {
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) WriteDirect(directFile, text);
        double seconds = watch.Seconds();
        CheckSize(directFile, size);
        return seconds;
    }, ""}, Variant{batch, [&] {
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) (*fsoWrite)(fsoName, fsoText);
        double seconds = watch.Seconds();
        CheckSize(fsoFile, size);
        return seconds;
    }, noFso}});
    const Result &plugin = results[0], &direct = results[1], &fso = results[2];
    std::string ratio = Ratio(plugin, direct), fsoRatio = Ratio(plugin, fso);
    c.table->Add({group, "aRvik.FileWrite", plugin, "", "", ""});
    c.table->Add({group, "direct: CreateFileA + WriteFile + SetEndOfFile", direct, ratio,
                  "ratio <= " + Fixed(directLimit, 1),
                  ratio.empty() ? "" : Verdict(plugin.median <= directLimit * direct.median)});
    c.table->Add({group, "FileSystemObject CreateTextFile + Write", fso, fsoRatio,
                  fsoLimit ? "ratio <= " + Fixed(fsoLimit, 1) : "",
                  !fsoLimit || fsoRatio.empty() ? "" : Verdict(plugin.median <= fsoLimit * fso.median)});
}

void FileWriteCase(const Context& c) {
    OneSize(c, 1024, "file write, 1 KiB", 20, Budget(c, 3.0, 9, 51), 1.1, 0);
    OneSize(c, 4 << 20, "file write, 4 MiB", 1, Budget(c, 6.0, 9, 31), 2, 0.7);
}
