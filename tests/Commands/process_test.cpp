// aRvik.ProcessList and aRvik.ProcessEnd against copies of commands_child
// that the test starts under a name of their own.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "Commands/CommandsTest.h"

namespace {

const char kSleeper[] = "arvik37_sleeper.exe";

// The processes the test started, ended when it goes.
struct Started {
    std::vector<HANDLE> processes;
    std::vector<DWORD> ids;
    ~Started() {
        for (HANDLE process : processes) {
            TerminateProcess(process, 9);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
    HANDLE Add(DWORD id, HANDLE process) {
        ids.push_back(id);
        processes.push_back(process);
        return process;
    }
};

// The id of a process that parent started, once there is one (at most 30 s).
DWORD ChildOf(DWORD parent) {
    for (int i = 0; i < 600; ++i) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry;
        entry.dwSize = sizeof entry;
        DWORD found = 0;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
            if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) found = entry.th32ProcessID;
        CloseHandle(snapshot);
        if (found) return found;
        Sleep(50);
    }
    return 0;
}

struct ProcessTest : CommandTest {
    std::string sleeper = scratch + kSleeper;
    Started started;

    void SetUp() override {
        ASSERT_TRUE(CopyFileA((ExeFolder() + "commands_child.exe").c_str(), sleeper.c_str(), FALSE));
    }
    // Starts the sleeper with args; its handle.
    HANDLE Start(const std::string& args) {
        std::string line = "\"" + sleeper + "\" " + args;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        CloseHandle(info.hThread);
        return started.Add(info.dwProcessId, info.hProcess);
    }
    void Runs(const wchar_t* command) {
        Record record;
        ASSERT_EQ(S_OK, Command(command, &record))
            << Narrow(command) << ": " << Narrow(record.bstrDescription ? record.bstrDescription : L"");
    }
    void Fails(const wchar_t* command, const std::string& reason) {
        const wchar_t* names[] = {L"aRvik.ProcessId", L"aRvik.Name", L"aRvik.Kill"};
        std::wstring before[3];
        for (int i = 0; i < 3; ++i) before[i] = session->Value(names[i]);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(command, &record)) << reason;
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(before[i], session->Value(names[i])) << Narrow(names[i]);
    }
    void End(const std::string& id, const std::string& name, const std::string& kill = "") {
        Set(L"aRvik.ProcessId", id);
        Set(L"aRvik.Name", name);
        Set(L"aRvik.Kill", kill);
    }
};

bool Ended(HANDLE process) { return WaitForSingleObject(process, 10000) == WAIT_OBJECT_0; }

}  // namespace

TEST_F(ProcessTest, ListsAndEndsByName) {
    std::vector<HANDLE> three;
    for (int i = 0; i < 3; ++i) three.push_back(Start("-s 120000 0"));
    std::vector<DWORD> ids = started.ids;
    std::sort(ids.begin(), ids.end());
    std::string expected;
    for (DWORD id : ids) expected += (expected.empty() ? "" : "\r\n") + std::to_string(id) + "\t" + kSleeper;

    Set(L"aRvik.Name", "ARVIK37_*.E?E");
    Runs(L"aRvik.ProcessList");
    EXPECT_EQ(expected, Get(L"aRvik.Output"));
    EXPECT_EQ("3", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.Name"));

    // Without a mask: every process, this one among them, sorted by id.
    Runs(L"aRvik.ProcessList");
    std::string all = Get(L"aRvik.Output");
    EXPECT_NE(std::string::npos, all.find(std::to_string(GetCurrentProcessId()) + "\t"));
    EXPECT_NE(std::string::npos, all.find(expected.substr(0, expected.find("\r\n"))));
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n') + 1, std::stol(Get(L"aRvik.Result")));
    unsigned long last = 0;
    for (size_t at = 0; at < all.size(); at = all.find("\r\n", at) == std::string::npos ? all.size() : all.find("\r\n", at) + 2) {
        unsigned long id = std::stoul(all.substr(at));
        EXPECT_LT(last, id);
        last = id;
    }

    End("", "Arvik37_Sleeper.EXE");
    Runs(L"aRvik.ProcessEnd");
    EXPECT_EQ("3", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.Name"));
    for (HANDLE process : three) {
        ASSERT_TRUE(Ended(process));
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        EXPECT_EQ(1u, code);
    }

    Set(L"aRvik.Name", "arvik37_sleeper.exe");
    Runs(L"aRvik.ProcessList");
    EXPECT_EQ("", Get(L"aRvik.Output"));
    EXPECT_EQ("0", Get(L"aRvik.Result"));
    End("", "arvik37_sleeper.exe");
    Runs(L"aRvik.ProcessEnd");
    EXPECT_EQ("0", Get(L"aRvik.Result"));
}

TEST_F(ProcessTest, KillEndsTheTree) {
    // Without Kill the one started stays.
    HANDLE first = Start("-g 120000 -s 120000 0");
    DWORD firstChild = ChildOf(started.ids[0]);
    ASSERT_NE(0u, firstChild);
    HANDLE grandchild = started.Add(firstChild, OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, firstChild));
    End(std::to_string(started.ids[0]), "");
    Runs(L"aRvik.ProcessEnd");
    EXPECT_EQ("1", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.ProcessId"));
    EXPECT_TRUE(Ended(first));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(grandchild, 0));

    HANDLE second = Start("-g 120000 -s 120000 0");
    DWORD secondChild = ChildOf(started.ids[2]);
    ASSERT_NE(0u, secondChild);
    HANDLE grandchild2 = started.Add(secondChild, OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, secondChild));
    End(std::to_string(started.ids[2]), "", "yes");
    Runs(L"aRvik.ProcessEnd");
    EXPECT_EQ("1", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.Kill"));
    EXPECT_TRUE(Ended(second));
    EXPECT_TRUE(Ended(grandchild2));
    // The other tree's survivor is untouched.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(grandchild, 0));
}

TEST_F(ProcessTest, Refusals) {
    HANDLE child = Start("-s 120000 0");
    std::string own = std::to_string(GetCurrentProcessId());
    End(own, "", "yes");
    Fails(L"aRvik.ProcessEnd",
          "Нельзя завершить процесс, в котором выполняется сценарий, и те, что его запустили: aRvik.ProcessId=" + own);
    End("", "");
    Fails(L"aRvik.ProcessEnd", "Не указан процесс: aRvik.ProcessId=, aRvik.Name= (нужно одно из двух)");
    End("12", "arvik37_sleeper.exe");
    Fails(L"aRvik.ProcessEnd",
          "Процесс указан дважды: aRvik.ProcessId=12, aRvik.Name=arvik37_sleeper.exe (нужно одно из двух)");
    End("", "arvik37_*.exe");
    Fails(L"aRvik.ProcessEnd", "Маска недопустима, нужно точное имя программы: aRvik.Name=arvik37_*.exe");
    End("4294967292", "");
    Fails(L"aRvik.ProcessEnd", "Нет процесса с таким идентификатором: aRvik.ProcessId=4294967292");
    End("1.5", "");
    Fails(L"aRvik.ProcessEnd", "Неверный формат числа: aRvik.ProcessId=1.5");
    End("abc", "");
    Fails(L"aRvik.ProcessEnd", "Неверный формат числа: aRvik.ProcessId=abc");
    // Refused before anything was ended.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(child, 0));
}
