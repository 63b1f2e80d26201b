// aRvik.Execute with aRvik.Timeout, aRvik.ProcessId, aRvik.Dir, aRvik.Capture,
// aRvik.Output and aRvik.Kill; aRvik.Await of the programs it started and of
// others.
#include "Commands/CommandsTest.h"

#include <vector>

#include <owned.h>

namespace {

// The limit of a program that must end in time: one that only a failure
// reaches, however busy the machine.
const char* const kInTime = "60000";

struct ExecuteOptionsTest : CommandTest {
    std::string child = ExeFolder() + "commands_child.exe";
    std::vector<DWORD> started;  // ended by the fixture, should a test leave one running

    ~ExecuteOptionsTest() override {
        for (DWORD pid : started) End(pid);
    }
    std::string Line(const std::string& args) { return "\"" + child + "\" " + args; }
    // Presets the results to sentinels and sets the arguments given.
    // The encoding is set only when given.
    void Arguments(const std::string& command, const char* wait, const char* timeout, const char* capture = "",
                   const char* encoding = nullptr) {
        Set(L"aRvik.Command", command);
        Set(L"aRvik.Wait", wait);
        Set(L"aRvik.Timeout", timeout);
        Set(L"aRvik.Capture", capture);
        if (encoding) Set(L"aRvik.CaptureEncoding", encoding);
        Set(L"aRvik.Result", "old");
        Set(L"aRvik.ProcessId", "old");
        Set(L"aRvik.Output", "old");
    }
    // Runs aRvik.Execute, which must succeed and empty its arguments.
    void Runs() {
        ASSERT_EQ(S_OK, Command(L"aRvik.Execute"));
        for (const wchar_t* name : {L"aRvik.Command", L"aRvik.Wait", L"aRvik.Timeout", L"aRvik.Capture", L"aRvik.Dir",
                                    L"aRvik.CaptureEncoding", L"aRvik.Kill"})
            EXPECT_EQ("", Get(name)) << Narrow(name);
        Remember();
    }
    // Runs command, which must fail with reason, keep its arguments and
    // leave aRvik.Result empty.
    void Fails(const std::wstring& reason, const wchar_t* command = L"aRvik.Execute") {
        const wchar_t* names[] = {L"aRvik.Command", L"aRvik.Timeout", L"aRvik.Capture", L"aRvik.Dir",
                                  L"aRvik.CaptureEncoding", L"aRvik.Kill", L"aRvik.Wait"};
        std::string before[7];
        for (size_t k = 0; k < 7; ++k) before[k] = Get(names[k]);
        std::string id = Get(L"aRvik.ProcessId");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(command, &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(reason.c_str(), record.bstrDescription);
        for (size_t k = 0; k < 7; ++k) EXPECT_EQ(before[k], Get(names[k])) << Narrow(names[k]);
        EXPECT_EQ("", Get(L"aRvik.Result"));
        if (std::wstring(command) == L"aRvik.Await") EXPECT_EQ(id, Get(L"aRvik.ProcessId"));
        else Remember();
    }
    void Remember() {
        std::string pid = Get(L"aRvik.ProcessId");
        if (!pid.empty() && pid != "old") started.push_back(std::stoul(pid));
    }
    static bool Running(DWORD pid) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!process) return false;
        bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        CloseHandle(process);
        return running;
    }
    // True when the process is gone or ends within thirty seconds: a bound
    // that only a failure reaches, however busy the machine.
    static bool Ends(DWORD pid) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!process) return true;
        bool ended = WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }
    // Started by the test itself, not through the extender.
    PROCESS_INFORMATION StartDirectly(const std::string& args) {
        std::string line = Line(args);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION other = {};
        EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &other));
        return other;
    }
    // Under Wine an ended process can still be opened by its id until its
    // Unix process is gone, a little after its end. A process started and
    // ended after the one under test is waited out (at most thirty seconds)
    // until it can no longer be opened: then only a kept handle finds the
    // earlier one.
    void OutlastEndedProcesses() {
        PROCESS_INFORMATION other = StartDirectly("0");
        WaitForSingleObject(other.hProcess, 30000);
        CloseHandle(other.hThread);
        CloseHandle(other.hProcess);
        for (int tries = 0; tries < 1500; ++tries) {
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, other.dwProcessId);
            if (!process) return;
            CloseHandle(process);
            Sleep(20);
        }
    }
    // Runs line, which outlives every limit tried, with aRvik.Capture (and
    // aRvik.Kill when kill), until what it wrote when the time ran out holds
    // marker: a limit of two seconds first, longer ones while a busy machine
    // has not yet let the program write it. Gives that output.
    std::string OutputAtTimeOut(const std::string& line, const char* marker, bool kill) {
        std::string output;
        for (DWORD limit = 2000; limit <= 32000; limit *= 4) {
            std::string text = std::to_string(limit);
            Arguments(line, "1", text.c_str(), "1");
            if (kill) Set(L"aRvik.Kill", "1");
            Fails(L"Программа не завершилась за " + Wide(text) + L" мс: " + Wide(line) +
                  (kill ? L"; программа завершена" : L""));
            output = Get(L"aRvik.Output");
            if (output.find(marker) != std::string::npos) break;
        }
        return output;
    }
    static void End(DWORD pid) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) return;
        TerminateProcess(process, 9);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
};

}  // namespace

TEST_F(ExecuteOptionsTest, TimeoutLeavesAProgramThatRunsOnAndNamesIt) {
    std::string sleeper = Line("-s 30000 0");
    for (const char* timeout : {"300", "0"}) {
        Arguments(sleeper, "1", timeout);
        DWORD before = GetTickCount();
        Fails(L"Программа не завершилась за " + Wide(timeout) + L" мс: " + Wide(sleeper));
        EXPECT_LT(GetTickCount() - before, 20000u);  // well below the program's 30 s, however busy the machine
        ASSERT_FALSE(started.empty());
        EXPECT_TRUE(Running(started.back())) << "aRvik.ProcessId names the program";
    }

    // Within the time: the exit code, as without a limit.
    Arguments(Line("7"), "1", kInTime);
    Runs();
    EXPECT_EQ("7", Get(L"aRvik.Result"));
    EXPECT_EQ(std::to_string(started.back()), Get(L"aRvik.ProcessId"));
    EXPECT_EQ("old", Get(L"aRvik.Output"));  // without aRvik.Capture

    // A program that outlived the wait is kept: awaited once it has ended
    // and no other handle holds it.
    Arguments(Line("-s 300 4"), "1", "0");
    Fails(L"Программа не завершилась за 0 мс: " + Wide(Line("-s 300 4")));
    ASSERT_TRUE(Ends(started.back()));
    OutlastEndedProcesses();
    Set(L"aRvik.Timeout", "");
    ASSERT_EQ(S_OK, Command(L"aRvik.Await"));
    EXPECT_EQ("4", Get(L"aRvik.Result"));

    // Not waiting: the id of the program left running.
    Arguments(sleeper, "", "");
    Runs();
    EXPECT_EQ("", Get(L"aRvik.Result"));
    EXPECT_TRUE(Running(started.back()));
}

TEST_F(ExecuteOptionsTest, BadArgumentsStartNothing) {
    std::string line = Line("0");
    const struct {
        const char *timeout, *capture, *wait;
        const wchar_t* reason;
        const char* encoding;
    } cases[] = {
        {"abc", "", "1", L"Неверный формат числа: aRvik.Timeout=abc", ""},
        {"10 s", "", "1", L"Неверный формат числа: aRvik.Timeout=10 s", ""},
        {"1,5", "", "1", L"Неверный формат числа: aRvik.Timeout=1,5", ""},  // whole milliseconds only
        {"1.5", "1", "1", L"Неверный формат числа: aRvik.Timeout=1.5", ""},
        {"-5", "", "1", L"Время ожидания не может быть отрицательным: aRvik.Timeout=-5", ""},
        {"4294967295", "", "1", L"Время ожидания больше 4294967294 мс: aRvik.Timeout=4294967295", ""},
        {"", "1", "", L"aRvik.Capture требует aRvik.Wait: вывод программы читается, пока её ждут", ""},
        {"", "1", "1", L"Неизвестная кодировка: aRvik.CaptureEncoding=UTF-16 (допустимо: OEM, ANSI, UTF-8)", "UTF-16"},
    };
    for (const auto& c : cases) {
        Arguments(line, c.wait, c.timeout, c.capture, c.encoding);
        Fails(c.reason);
        EXPECT_EQ("", Get(L"aRvik.ProcessId")) << c.timeout;
    }

    SetEnvironmentVariableA("ARVIK_EXECUTE_DIR", scratch.folder.c_str());
    Arguments(line, "1", "", "", "");
    Set(L"aRvik.Dir", "%ARVIK_EXECUTE_DIR%missing");
    Fails(L"Не удалось запустить программу (папка не найдена): " + Wide(scratch + "missing"));
    WriteWhole(scratch + "plain", "x");
    Set(L"aRvik.Dir", "%ARVIK_EXECUTE_DIR%plain");
    Fails(L"Не удалось запустить программу (папка не найдена): " + Wide(scratch + "plain"));
    SetEnvironmentVariableA("ARVIK_EXECUTE_DIR", nullptr);
    EXPECT_EQ("", Get(L"aRvik.ProcessId"));

    // The same extender runs the next command.
    Arguments(line, "1", kInTime, "1", "");
    Set(L"aRvik.Dir", "");
    Runs();
    EXPECT_EQ("0", Get(L"aRvik.Result"));
}

TEST_F(ExecuteOptionsTest, DirIsTheProgramsCurrentFolder) {
    std::string folder = scratch + "Рабочая папка", report = scratch + "report.txt";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetEnvironmentVariableA("ARVIK_EXECUTE_DIR", scratch.folder.c_str());
    Arguments(Line("0 \"" + report + "\""), "1", "");
    Set(L"aRvik.Dir", "%ARVIK_EXECUTE_DIR%Рабочая папка");
    Runs();
    SetEnvironmentVariableA("ARVIK_EXECUTE_DIR", nullptr);
    EXPECT_NE(std::string::npos, ReadWhole(report).find("cwd=" + folder + "\n")) << ReadWhole(report);
}

TEST_F(ExecuteOptionsTest, CaptureGivesOutputAndErrorInTheOrderWritten) {
    // "Привет" in code page 866 arrives in the ANSI code page.
    Arguments(Line("-o out1, -e err, -o out2 -x 8FE0A8A2A5E2 -i -p 7"), "1", kInTime, "yes");
    Runs();
    EXPECT_EQ("7", Get(L"aRvik.Result"));
    EXPECT_EQ("out1,err,out2Приветinput=0pid=" + Get(L"aRvik.ProcessId"), Get(L"aRvik.Output"));

    Arguments(Line("0"), "1", "", "1");
    Runs();
    EXPECT_TRUE(session->Has(L"aRvik.Output"));
    EXPECT_EQ("", Get(L"aRvik.Output"));
}

// Output comes in the ANSI code page, read in the one the program wrote; a
// character the ANSI code page lacks becomes "?", never a look-alike.
TEST_F(ExecuteOptionsTest, CaptureEncodingNamesTheCodePageTheProgramWrites) {
    const struct {
        const char *encoding, *hex, *output;
    } cases[] = {
        {nullptr, "8FE0A8A2A5E220C4CDFB", "Привет ???"},  // OEM 866: ─ ═ √
        {"oem", "8FE0A8A2A5E220C4CDFB", "Привет ???"},
        {"ANSI", "CFF0E8E2E5F2B9", "Привет№"},
        {"Utf-8", "D09FD180D0B8D0B2D0B5D18220E697A5C3A9FF", "Привет ???"},  // 日, é, a byte that is no UTF-8
        {"UTF-8", "F09F988021", "?!"},  // one character beyond the 16-bit range (an emoji): one "?"
    };
    for (const auto& c : cases) {
        Arguments(Line("-x " + std::string(c.hex) + " 0"), "1", kInTime, "1", c.encoding);
        Runs();
        EXPECT_EQ(c.output, Get(L"aRvik.Output")) << (c.encoding ? c.encoding : "none");
        if (!c.encoding) {
            EXPECT_FALSE(session->Has(L"aRvik.CaptureEncoding")) << "made though not given";
        }
    }
    // Wine's cmd writes the ANSI code page into a pipe.
    Arguments("cmd /c echo Привет", "1", kInTime, "1", "ANSI");
    Runs();
    EXPECT_EQ("Привет\r\n", Get(L"aRvik.Output"));
}

// The pipe is read while the program runs: a program that writes far more
// than a pipe holds ends, and what is kept is cut as the log cuts.
TEST_F(ExecuteOptionsTest, LargeOutputIsReadWhileWaitingAndCutAfterSixteenMiB) {
    auto pattern = [](size_t n) {
        std::string s(n, '\0');
        for (size_t k = 0; k < n; ++k) s[k] = k % 64 == 63 ? '\n' : static_cast<char>('a' + k / 64 % 26);
        return s;
    };
    const size_t limit = 16u << 20;
    Arguments(Line("-n " + std::to_string(limit) + " 0"), "1", "120000", "1");
    Runs();
    EXPECT_TRUE(Get(L"aRvik.Output") == pattern(limit)) << "16 MiB are kept whole";

    Arguments(Line("-n 52428800 3"), "1", "120000", "1");
    Runs();
    EXPECT_EQ("3", Get(L"aRvik.Result"));
    std::string output = Get(L"aRvik.Output");
    EXPECT_TRUE(output == "[52428800 байт]\r\n" + pattern(limit) + "\r\n...") << output.size() << " bytes";
}

TEST_F(ExecuteOptionsTest, OnlyThePipeIsInheritedAndTheOutputEndsWithTheProgram) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE event = CreateEventA(&inherit, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    std::string value = std::to_string(reinterpret_cast<UINT_PTR>(event));

    Arguments(Line("-h " + value + " 0"), "1", kInTime, "1");
    Runs();
    EXPECT_EQ("handle " + value + ": absent", Get(L"aRvik.Output"));

    // Without aRvik.Capture nothing at all is inherited, as ever.
    std::string report = scratch + "handles.txt";
    Arguments(Line("-t \"" + report + "\" -h " + value + " 0"), "1", kInTime);
    Runs();
    EXPECT_EQ("handle " + value + ": absent", ReadWhole(report));
    EXPECT_EQ("old", Get(L"aRvik.Output"));
    CloseHandle(event);

    // A grandchild that inherited the pipe keeps it open; the command still
    // ends with its child, well before the grandchild.
    Arguments(Line("-g 120000 -o ,done 0"), "1", kInTime, "1");
    DWORD before = GetTickCount();
    Runs();
    EXPECT_LT(GetTickCount() - before, 60000u);
    std::string output = Get(L"aRvik.Output");
    ASSERT_EQ(0u, output.find("grandchild=")) << output;
    started.push_back(std::stoul(output.substr(11)));
    EXPECT_EQ(",done", output.substr(output.find(',')));
    EXPECT_TRUE(Running(started.back()));
}

// What the program wrote before the time ran out is kept; it runs on, and
// the command did not wait for it or its output.
TEST_F(ExecuteOptionsTest, CaptureWithATimeoutDoesNotWaitForTheOutput) {
    DWORD before = GetTickCount();
    EXPECT_EQ("partial", OutputAtTimeOut(Line("-o partial -s 120000 0"), "partial", false));
    EXPECT_LT(GetTickCount() - before, 100000u);
    ASSERT_FALSE(started.empty());
    EXPECT_TRUE(Running(started.back()));
}

// A program kept after its time-out runs on unharmed: what it writes later
// is read and dropped until it ends, so its writes succeed (a failed one
// would end it with 4) and its exit code is its own.
TEST_F(ExecuteOptionsTest, AProgramKeptAfterItsTimeOutWritesOn) {
    std::string line = Line("-s 300 -n 1000000 6");
    Arguments(line, "1", "0", "1");
    Fails(L"Программа не завершилась за 0 мс: " + Wide(line));
    ASSERT_TRUE(Ends(started.back()));
    Set(L"aRvik.Timeout", kInTime);
    ASSERT_EQ(S_OK, Command(L"aRvik.Await"));
    EXPECT_EQ("6", Get(L"aRvik.Result"));
}

// Once the program has ended, the output is read for a bounded time: a
// grandchild that keeps the pipe full does not hold the command.
TEST_F(ExecuteOptionsTest, AGrandchildWritingWithoutPauseDoesNotHoldTheCommand) {
    std::string report = scratch + "grandchild.txt";
    Arguments(Line("-t \"" + report + "\" -w 180000 3"), "1", kInTime, "1");
    DWORD before = GetTickCount();
    Runs();
    DWORD took = GetTickCount() - before;
    std::string pid = ReadWhole(report);
    ASSERT_EQ(0u, pid.find("grandchild=")) << pid;
    started.push_back(std::stoul(pid.substr(11)));
    EXPECT_LT(took, 90000u);  // well before the grandchild stops, however busy the machine
    EXPECT_EQ("3", Get(L"aRvik.Result"));
    // What the pipe held when the child ended, far below the cut.
    std::string output = Get(L"aRvik.Output");
    EXPECT_EQ(std::string::npos, output.find_first_not_of('.')) << output.size() << " bytes: " << output.substr(0, 40);
}

// The program and what it started are ended when the time runs out; what
// it wrote until then stays. A process that it started with
// CREATE_BREAKAWAY_FROM_JOB left the job and runs on. A program that ends in
// time leaves what it started running, as without aRvik.Kill.
TEST_F(ExecuteOptionsTest, KillEndsTheProgramWithWhatItStarted) {
    std::string output = OutputAtTimeOut(Line("-g 120000 -b 120000 -s 120000 0"), "breakaway", true);
    ASSERT_EQ(0u, output.find("grandchild=")) << output;
    size_t away = output.find("breakaway=");
    ASSERT_NE(std::string::npos, away) << output;
    DWORD program = started.back();
    started.push_back(std::stoul(output.substr(11)));
    started.push_back(std::stoul(output.substr(away + 10)));
    EXPECT_TRUE(Ends(program));
    EXPECT_TRUE(Ends(started[started.size() - 2])) << "the grandchild";
    EXPECT_TRUE(Running(started.back())) << "the process that broke away";

    Arguments(Line("-g 30000 0"), "1", kInTime, "1");
    Runs();
    output = Get(L"aRvik.Output");
    ASSERT_EQ(0u, output.find("grandchild=")) << output;
    started.push_back(std::stoul(output.substr(11)));
    EXPECT_TRUE(Running(started.back()));

    // Without a time limit, or without waiting, it changes nothing.
    Arguments(Line("7"), "1", "");
    Set(L"aRvik.Kill", "yes");
    Runs();
    EXPECT_EQ("7", Get(L"aRvik.Result"));
    Arguments(Line("-s 30000 0"), "", "1000");
    Set(L"aRvik.Kill", "yes");
    Runs();
    EXPECT_TRUE(Running(started.back()));
}

// A host in a job: a program for aRvik.Kill leaves that job for its own
// where the host's job allows breakaway, as every system can put a process
// in no job into one (Windows 7 puts a process in one job only); a job that
// allows none keeps it, and its job nests there. The test runs itself again
// inside such a host job and counts the processes the job has held.
TEST_F(ExecuteOptionsTest, KillStartsOutsideAHostJobThatAllowsBreakaway) {
    if (GetEnvironmentVariableA("ARVIK_IN_HOST_JOB", nullptr, 0)) {
        Arguments(Line("5"), "1", kInTime);
        Set(L"aRvik.Kill", "1");
        Runs();
        EXPECT_EQ("5", Get(L"aRvik.Result"));
        return;
    }
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" --gtest_filter=ExecuteOptionsTest." +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (DWORD limit : {static_cast<DWORD>(JOB_OBJECT_LIMIT_BREAKAWAY_OK), 0ul}) {
        KernelHandle job(CreateJobObjectA(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = limit;
        ASSERT_TRUE(SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits));
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION host = {};
        SetEnvironmentVariableA("ARVIK_IN_HOST_JOB", "1");
        BOOL made = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                                   &startup, &host);
        SetEnvironmentVariableA("ARVIK_IN_HOST_JOB", nullptr);
        ASSERT_TRUE(made);
        KernelHandle process(host.hProcess), thread(host.hThread);
        EXPECT_TRUE(AssignProcessToJobObject(job.get(), host.hProcess));
        ResumeThread(host.hThread);
        DWORD code = 0;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(host.hProcess, 120000));
        EXPECT_TRUE(GetExitCodeProcess(host.hProcess, &code));
        EXPECT_EQ(0u, code) << "the test inside the job, limit " << limit;
        TerminateProcess(host.hProcess, 9);  // should it still run
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION held = {};
        EXPECT_TRUE(QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &held, sizeof held,
                                              nullptr));
        EXPECT_EQ(limit ? 1u : 2u, held.TotalProcesses) << "limit " << limit;
    }
}

// A program started without waiting is kept: awaited also once it has
// ended and no other handle holds it.
TEST_F(ExecuteOptionsTest, AwaitGivesTheExitCodeOfAProgramStartedWithoutWaiting) {
    Arguments(Line("5"), "", "");
    Runs();
    std::string id = Get(L"aRvik.ProcessId");
    ASSERT_TRUE(Ends(std::stoul(id)));
    OutlastEndedProcesses();
    for (const char* timeout : {"20000", ""}) {
        Set(L"aRvik.Timeout", timeout);
        Set(L"aRvik.Result", "old");
        ASSERT_EQ(S_OK, Command(L"aRvik.Await"));
        EXPECT_EQ("5", Get(L"aRvik.Result"));
        EXPECT_EQ(id, Get(L"aRvik.ProcessId"));
        EXPECT_EQ("", Get(L"aRvik.Timeout"));
        EXPECT_FALSE(session->Has(L"aRvik.Kill")) << "made though not given";
    }

    // Still running when the time runs out: it runs on, or with aRvik.Kill
    // is ended, and can still be awaited.
    Arguments(Line("-s 30000 0"), "", "");
    Runs();
    id = Get(L"aRvik.ProcessId");
    Set(L"aRvik.Timeout", "300");
    Fails(L"Программа не завершилась за 300 мс: aRvik.ProcessId=" + Wide(id), L"aRvik.Await");
    EXPECT_TRUE(Running(started.back()));
    Set(L"aRvik.Kill", "1");
    Fails(L"Программа не завершилась за 300 мс: aRvik.ProcessId=" + Wide(id) + L"; программа завершена",
          L"aRvik.Await");
    EXPECT_FALSE(Running(started.back()));
    Set(L"aRvik.Timeout", "");
    ASSERT_EQ(S_OK, Command(L"aRvik.Await"));
    EXPECT_EQ("1", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.Kill"));
}

// What Execute keeps serves every session of its extender: a program
// started in one is awaited in another once only the kept handle holds it.
TEST_F(ExecuteOptionsTest, AProgramKeptInOneSessionIsAwaitedInAnother) {
    Arguments(Line("7"), "", "");
    Runs();
    std::string id = Get(L"aRvik.ProcessId");
    ASSERT_TRUE(Ends(std::stoul(id)));
    OutlastEndedProcesses();
    session = co<HostSession>(new HostSession);
    Set(L"aRvik.ProcessId", id);
    ASSERT_EQ(S_OK, Command(L"aRvik.Await"));
    EXPECT_EQ("7", Get(L"aRvik.Result"));
}

// Any process the system lets us open: here one the test started itself.
TEST_F(ExecuteOptionsTest, AwaitWaitsForAndEndsAnotherProcess) {
    PROCESS_INFORMATION other = StartDirectly("-s 30000 0");
    ASSERT_NE(nullptr, other.hProcess);
    std::string id = std::to_string(other.dwProcessId);
    Set(L"aRvik.ProcessId", id);
    Set(L"aRvik.Timeout", "300");
    Set(L"aRvik.Kill", "1");
    Fails(L"Программа не завершилась за 300 мс: aRvik.ProcessId=" + Wide(id) + L"; программа завершена",
          L"aRvik.Await");
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other.hProcess, 30000));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(other.hProcess, &code));
    EXPECT_EQ(1u, code);
    // Ended, but held by the test's handle: still there to be awaited.
    Set(L"aRvik.Timeout", "");
    Set(L"aRvik.Kill", "");
    ASSERT_EQ(S_OK, Command(L"aRvik.Await"));
    EXPECT_EQ("1", Get(L"aRvik.Result"));
    TerminateProcess(other.hProcess, 9);
    CloseHandle(other.hThread);
    CloseHandle(other.hProcess);
}

TEST_F(ExecuteOptionsTest, AwaitOfABadIdStartsNoWait) {
    Set(L"aRvik.Result", "old");
    Set(L"aRvik.ProcessId", "");
    Fails(L"Неверный формат числа: aRvik.ProcessId=", L"aRvik.Await");
    for (const char* id : {"abc", "12x", "-4", "1.5", "4294967296"}) {
        Set(L"aRvik.ProcessId", id);
        Fails(L"Неверный формат числа: aRvik.ProcessId=" + Wide(id), L"aRvik.Await");
    }
    Set(L"aRvik.ProcessId", "4294967292");
    Fails(L"Нет процесса с таким идентификатором: aRvik.ProcessId=4294967292", L"aRvik.Await");
    Set(L"aRvik.Timeout", "abc");
    Fails(L"Неверный формат числа: aRvik.Timeout=abc", L"aRvik.Await");
    std::string self = std::to_string(GetCurrentProcessId());
    Set(L"aRvik.ProcessId", self);
    Set(L"aRvik.Timeout", "0");
    Set(L"aRvik.Kill", "1");
    Fails(L"Нельзя ждать процесс, в котором выполняется сценарий: aRvik.ProcessId=" + Wide(self), L"aRvik.Await");
}
