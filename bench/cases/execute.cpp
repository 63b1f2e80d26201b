// execute: start a program that exits at once, hidden, and wait for its exit
// code: aRvik.Execute with aRvik.Wait, CreateProcessA with
// WaitForSingleObject called directly, and WScript.Shell's Run with waiting
// called through IDispatch as a script would.
// execute, kill: start a program that sleeps, hidden, wait kKillAfter ms
// and end it: aRvik.Execute with aRvik.Timeout and aRvik.Kill (a job), and
// CreateProcessA, WaitForSingleObject and TerminateProcess called directly.
#include "Cases.h"

#include <oleauto.h>

#include <memory>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Automation.h"
#include "../Text.h"
#include "common/Files.h"


// The child's command line, or empty when the child is missing.
static std::string ChildCommand() {
    std::string child = ExeFolder() + "bench_child.exe";
    if (GetFileAttributesA(child.c_str()) == INVALID_FILE_ATTRIBUTES) return std::string();
    return "\"" + child + "\"";
}

// Starts command hidden, as aRvik.Execute with aRvik.Hide does.
static PROCESS_INFORMATION StartHidden(const std::string& command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    std::string line = command;  // CreateProcessA may write into it
    THROW_IF_WIN32_FALSE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                        &started));
    return started;
}

static void RunDirect(const std::string& command) {
    PROCESS_INFORMATION started = StartHidden(command);
    DWORD waited = WaitForSingleObject(started.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    if (waited != WAIT_OBJECT_0) throw KLAppException("the child did not end within 30 s");
    if (code != 0) throw KLAppException(string("the child's exit code is ") + std::to_string(code).c_str());
}

static const DWORD kKillAfter = 100;

// True when the process with the id has ended, or is gone.
static bool Ended(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return true;
    bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

static void KillDirect(const std::string& command) {
    PROCESS_INFORMATION started = StartHidden(command);
    DWORD waited = WaitForSingleObject(started.hProcess, kKillAfter);
    BOOL ended = TerminateProcess(started.hProcess, 1);
    DWORD gone = WaitForSingleObject(started.hProcess, 5000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    if (waited != WAIT_TIMEOUT || !ended || gone != WAIT_OBJECT_0)
        throw KLAppException("the child was not running when the time ran out, or did not end");
}

static void KillCase(const Context& c, const std::string& child) {
    Result plugin, direct;
    if (child.empty()) {
        plugin = direct = NotRun("bench_child.exe is missing beside the benchmark");
    } else {
        std::string command = child + " -s 30000";
        co<HostSession> session(new HostSession);
        std::wstring wideCommand = Wide(command), timeout = Wide(std::to_string(kKillAfter));
        Bstr name(L"aRvik.Execute");
        Plan plan = Budget(c, 5.0, 9, 21);
        plan.settle = 200;
        std::vector<Result> results = Measure(plan, {PluginVariant(c, 1, [&] {
            session->Set(L"aRvik.Command", wideCommand.c_str());
            session->Set(L"aRvik.Wait", L"1");
            session->Set(L"aRvik.Hide", L"1");
            session->Set(L"aRvik.Timeout", timeout.c_str());
            session->Set(L"aRvik.Kill", L"1");
            Stopwatch watch;
            HRESULT hr = c.plugin->Command(session.get(), name);
            double seconds = watch.Seconds();
            if (hr != DISP_E_EXCEPTION || !Ended(wcstoul(session->Value(L"aRvik.ProcessId"), nullptr, 10)))
                throw KLAppException("aRvik.Execute did not fail with the time-out, or the child runs on");
            return seconds;
        }), Variant{1, [&] {
            Stopwatch watch;
            KillDirect(command);
            return watch.Seconds();
        }, ""}});
        plugin = results[0];
        direct = results[1];
    }
    const char* group = "execute, kill after 100 ms";
    std::string ratio = Ratio(plugin, direct);
    c.table->Add({group, "aRvik.Execute (Wait, Hide, Timeout, Kill)", plugin, "", "", ""});
    c.table->Add({group, "direct: CreateProcessA + wait + TerminateProcess", direct, ratio, "ratio <= 1.05",
                  ratio.empty() ? "" : Verdict(plugin.median <= 1.05 * direct.median)});
}

// WScript.Shell's Run(command, 0 = hidden, true = wait).
class ShellRun {
public:
    explicit ShellRun(const std::string& command) : command_(Wide(command)) {
        shell_ = CreateAutomationObject(L"WScript.Shell", "WScript.Shell");
        run_ = MemberId(shell_.get(), L"Run", "WScript.Shell: Run");
    }
    void operator()() const {
        VARIANT args[3];  // reversed: wait, window style, command
        VariantInit(&args[0]);
        V_VT(&args[0]) = VT_BOOL;
        V_BOOL(&args[0]) = VARIANT_TRUE;
        VariantInit(&args[1]);
        V_VT(&args[1]) = VT_I4;
        V_I4(&args[1]) = 0;
        VariantInit(&args[2]);
        V_VT(&args[2]) = VT_BSTR;
        V_BSTR(&args[2]) = command_;
        VARIANT result;
        VariantInit(&result);
        CallMethod(shell_.get(), run_, args, 3, &result, "WScript.Shell: Run");
        VARIANT code;
        VariantInit(&code);
        HRESULT hr = VariantChangeType(&code, &result, 0, VT_I4);
        VariantClear(&result);
        if (FAILED(hr) || V_I4(&code) != 0) throw KLAppException("WScript.Shell: Run gave no exit code 0");
    }

private:
    co<IDispatch> shell_;
    Bstr command_;
    DISPID run_ = 0;
};

void ExecuteCase(const Context& c) {
    std::string command = ChildCommand();
    Result plugin, direct, shell;
    if (command.empty()) {
        plugin = direct = shell = NotRun("bench_child.exe is missing beside the benchmark");
    } else {
        co<HostSession> session(new HostSession);
        std::wstring wideCommand = Wide(command);
        Bstr name(L"aRvik.Execute");
        std::unique_ptr<ShellRun> run;
        std::string noShell;
        try {
            run.reset(new ShellRun(command));
        } catch (const KelmirException& e) {
            noShell = e.Reason();
        }
        // A child's exit goes on in the system after the wait returns: each
        // start gets a pause first, so that it does not pay for the last.
        Plan plan = Budget(c, 7.0, 9, 31);
        plan.settle = 200;
        std::vector<Result> results = Measure(plan, {PluginVariant(c, 1, [&] {
            session->Set(L"aRvik.Command", wideCommand.c_str());
            session->Set(L"aRvik.Wait", L"1");
            session->Set(L"aRvik.Hide", L"1");
            Stopwatch watch;
            CheckResult(c.plugin->Command(session.get(), name), "aRvik.Execute");
            double seconds = watch.Seconds();
            if (std::wstring(session->Value(L"aRvik.Result")) != L"0")
                throw KLAppException("aRvik.Result is not 0");
            return seconds;
        }), Variant{1, [&] {
            Stopwatch watch;
            RunDirect(command);
            return watch.Seconds();
        }, ""}, Variant{1, [&] {
            Stopwatch watch;
            (*run)();
            return watch.Seconds();
        }, noShell}});
        plugin = results[0];
        direct = results[1];
        shell = results[2];
    }
    std::string ratio = Ratio(plugin, direct);
    c.table->Add({"execute, wait", "aRvik.Execute (Wait, Hide)", plugin, "", "", ""});
    c.table->Add({"execute, wait", "direct: CreateProcessA + WaitForSingleObject", direct, ratio, "ratio <= 1.05",
                  ratio.empty() ? "" : Verdict(plugin.median <= 1.05 * direct.median)});
    c.table->Add({"execute, wait", "WScript.Shell Run, hidden, waiting", shell, Ratio(plugin, shell), "", ""});
    KillCase(c, command);
}
