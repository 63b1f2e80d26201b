// execute with capture: start a program that writes 16 KiB to its standard
// output and exits, hidden, waiting for it and taking what it wrote:
// aRvik.Execute with aRvik.Capture, CreateProcessA with an inherited pipe
// read to its end called directly, and WScript.Shell's Exec with
// StdOut.ReadAll called through IDispatch as a script would. Each start
// waits 200 ms first, as in the execute case.
#include "Cases.h"

#include <oleauto.h>

#include <memory>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Automation.h"
#include "../Text.h"
#include "common/Files.h"

static const size_t kOutput = 16 << 10;

static void RunDirect(const std::string& command) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    THROW_IF_WIN32_FALSE(CreatePipe(&read, &write, &inherit, 0));
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = startup.hStdError = write;
    PROCESS_INFORMATION started = {};
    std::string line = command;  // CreateProcessA may write into it
    BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started);
    DWORD error = GetLastError();
    CloseHandle(write);
    if (!ok) {
        CloseHandle(read);
        THROW_WIN32(error);
    }
    std::string output;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n > 0) output.append(buf, n);
    CloseHandle(read);
    DWORD waited = WaitForSingleObject(started.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    if (waited != WAIT_OBJECT_0) throw KLAppException("the child did not end within 30 s");
    if (code != 0 || output.size() != kOutput) throw KLAppException("the child's exit code or output is wrong");
}

// A property or method without arguments; the result is checked for type.
// An exception's own code is named too: Wine's WScript.Shell, for one,
// answers E_NOTIMPL for reading StdOut.
static VARIANT Get(IDispatch* object, const wchar_t* name, WORD flags, VARTYPE type, const char* what) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    UINT argError = 0;
    EXCEPINFO record = EXCEPINFO();
    HRESULT hr = object->Invoke(MemberId(object, name, what), IID_NULL, LOCALE_USER_DEFAULT, flags, &none, &result,
                                &record, &argError);
    SysFreeString(record.bstrSource);
    SysFreeString(record.bstrDescription);
    SysFreeString(record.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && record.scode == E_NOTIMPL)
        throw KLAppException(std::string(what).append(": not implemented (E_NOTIMPL)").c_str());
    CheckResult(hr, what);
    if (V_VT(&result) != type) {
        VariantClear(&result);
        throw KLAppException(std::string(what).append(" gave another type").c_str());
    }
    return result;
}

// Exec(command), StdOut.ReadAll, then Status until the program is done,
// and its ExitCode.
class ShellExec {
public:
    explicit ShellExec(const std::string& command) : command_(Wide(command)) {
        shell_ = CreateAutomationObject(L"WScript.Shell", "WScript.Shell");
        exec_ = MemberId(shell_.get(), L"Exec", "WScript.Shell: Exec");
    }
    void operator()() const {
        VARIANT arg;
        VariantInit(&arg);
        V_VT(&arg) = VT_BSTR;
        V_BSTR(&arg) = command_;
        co<IDispatch> exec = CallForObject(shell_.get(), exec_, &arg, 1, "WScript.Shell: Exec");
        VARIANT out = Get(exec.get(), L"StdOut", DISPATCH_PROPERTYGET, VT_DISPATCH, "WScript.Shell: Exec StdOut");
        co<IDispatch> stream(V_DISPATCH(&out));
        VARIANT text = Get(stream.get(), L"ReadAll", DISPATCH_METHOD, VT_BSTR, "WScript.Shell: StdOut.ReadAll");
        size_t length = SysStringLen(V_BSTR(&text));
        VariantClear(&text);
        for (;;) {
            VARIANT status = Get(exec.get(), L"Status", DISPATCH_PROPERTYGET, VT_I4, "WScript.Shell: Exec Status");
            if (V_I4(&status) != 0) break;
            Sleep(1);
        }
        VARIANT code = Get(exec.get(), L"ExitCode", DISPATCH_PROPERTYGET, VT_I4, "WScript.Shell: Exec ExitCode");
        if (V_I4(&code) != 0 || length != kOutput) throw KLAppException("WScript.Shell: wrong exit code or output");
    }

private:
    co<IDispatch> shell_;
    Bstr command_;
    DISPID exec_ = 0;
};

void CaptureCase(const Context& c) {
    std::string child = ExeFolder() + "bench_child.exe";
    std::string command = "\"" + child + "\" " + std::to_string(kOutput);
    Result plugin, direct, shell;
    if (GetFileAttributesA(child.c_str()) == INVALID_FILE_ATTRIBUTES) {
        plugin = direct = shell = NotRun("bench_child.exe is missing beside the benchmark");
    } else {
        co<HostSession> session(new HostSession);
        std::wstring wideCommand = Wide(command);
        Bstr name(L"aRvik.Execute");
        std::unique_ptr<ShellExec> exec;
        std::string noShell;
        try {
            exec.reset(new ShellExec(command));
        } catch (const KelmirException& e) {
            noShell = e.Reason();
        }
        Plan plan = Budget(c, 7.0, 9, 31);
        plan.settle = 200;
        std::vector<Result> results = Measure(plan, {PluginVariant(c, 1, [&] {
            session->Set(L"aRvik.Command", wideCommand.c_str());
            session->Set(L"aRvik.Wait", L"1");
            session->Set(L"aRvik.Hide", L"1");
            session->Set(L"aRvik.Capture", L"1");
            Stopwatch watch;
            CheckResult(c.plugin->Command(session.get(), name), "aRvik.Execute");
            double seconds = watch.Seconds();
            if (std::wstring(session->Value(L"aRvik.Result")) != L"0" || wcslen(session->Value(L"aRvik.Output")) != kOutput)
                throw KLAppException("aRvik.Result or aRvik.Output is wrong");
            return seconds;
        }), Variant{1, [&] {
            Stopwatch watch;
            RunDirect(command);
            return watch.Seconds();
        }, ""}, Variant{1, [&] {
            Stopwatch watch;
            (*exec)();
            return watch.Seconds();
        }, noShell}});
        plugin = results[0];
        direct = results[1];
        shell = results[2];
    }
    const char* group = "execute, capture 16 KiB";
    std::string ratio = Ratio(plugin, shell);
    c.table->Add({group, "aRvik.Execute (Wait, Hide, Capture)", plugin, "", "", ""});
    c.table->Add({group, "direct: CreateProcessA + pipe + ReadFile", direct, Ratio(plugin, direct), "", ""});
    c.table->Add({group, "WScript.Shell Exec + StdOut.ReadAll", shell, ratio, "ratio <= 1.0",
                  ratio.empty() ? "" : Verdict(plugin.median <= shell.median)});
}
