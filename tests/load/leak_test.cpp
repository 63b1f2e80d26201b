#include <stdio.h>

#include <algorithm>
#include <functional>
#include <memory>

#include <Processes/KeptProcesses.h>

#include "LoadTest.h"

namespace {

const int kRuns = 10000;
const int kWarmUp = 200;
// Heaps and caches have settled after the warm-up; what stays above this
// after ten thousand commands is a leak of at least ~100 bytes a command.
const SIZE_T kMargin = 1 << 20;

struct LeakTest : CommandTest {
    SavedKey settings{HKEY_CURRENT_USER, PLUGIN_KEY};

    ~LeakTest() override { SetEnvironmentVariableA("ARVIK_LOAD_LEAK", nullptr); }

    // Runs command count times after a warm-up, arguments(i) setting its
    // arguments, each run giving expected; then neither a handle nor more
    // than the margin of memory may be left behind. Handles that the
    // system's thread pool still holds for a program running on (its pipe,
    // drained until it ends) are given thirty seconds to go.
    void Probe(const wchar_t* command, int count, const std::function<void(int)>& arguments,
               HRESULT expected = S_OK) {
        int wrong = 0;
        std::string first;  // the first unexpected result, printed at once
        auto run = [&](int i) {
            arguments(i);
            Record record;
            HRESULT hr = Starting(command, record);
            if (hr == expected) return;
            if (wrong++) return;
            char head[96];
            snprintf(head, sizeof head, "run %d: %#lx, code %u: ", i, static_cast<unsigned long>(hr), record.wCode);
            first = head + (record.bstrDescription ? Narrow(record.bstrDescription) : std::string("(no text)"));
            printf("%ls %s\n", command, first.c_str());
            fflush(stdout);
        };
        for (int i = 0; i < std::min(kWarmUp, count / 10); ++i) run(i);
        DWORD handles = HandleCount();
        UINT_PTR slot = NextHandleSlot();
        SIZE_T memory = CommittedPrivate();
        DWORD started = GetTickCount();
        for (int i = 0; i < count; ++i) run(i);
        DWORD took = GetTickCount() - started;
        DWORD handlesAfter = 0;
        UINT_PTR slotAfter = 0;
        for (DWORD since = GetTickCount(); GetTickCount() - since < 30000; Sleep(50)) {
            handlesAfter = HandleCount();
            slotAfter = NextHandleSlot();
            if (handlesAfter <= handles && slotAfter <= slot) break;
        }
        SIZE_T memoryAfter = CommittedPrivate();
        printf("%ls x%d: %lu ms, handles %lu -> %lu, next handle %#llx -> %#llx, committed private %+lld bytes\n",
               command, count, took, handles, handlesAfter, static_cast<unsigned long long>(slot),
               static_cast<unsigned long long>(slotAfter),
               static_cast<long long>(memoryAfter) - static_cast<long long>(memory));
        EXPECT_EQ(0, wrong) << "runs with another result than expected, the first: " << first;
        EXPECT_LE(handlesAfter, handles) << "handles left open";
        // Wine counts no handles; its lowest free slot shows them instead.
        if (UnderWine()) {
            EXPECT_LE(slotAfter, slot) << "handles left open";
        }
        EXPECT_LE(memoryAfter, memory + kMargin) << "memory left behind";
    }
    // aRvik.Execute with the arguments set, which must succeed.
    void Execute() {
        Record record;
        EXPECT_EQ(S_OK, Starting(L"aRvik.Execute", record))
            << (record.bstrDescription ? Narrow(record.bstrDescription) : std::string());
    }
    void SetAll(std::initializer_list<std::pair<const wchar_t*, std::string>> values) {
        for (const auto& value : values) Set(value.first, value.second);
    }
    void LogInto(const std::string& name) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Script LogPath", REG_SZ,
                                                 name.c_str(), static_cast<DWORD>(name.size() + 1)));
    }
};

}  // namespace

// The probes see what they are meant to: one handle left open, and small
// blocks adding up to the margin. Wine counts no handles at all.
TEST(LeakProbes, SeeALeftHandleAndLeftMemory) {
    DWORD handles = HandleCount();
    UINT_PTR slot = NextHandleSlot();
    SIZE_T memory = CommittedPrivate();
    HANDLE left = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < kRuns; ++i) {
        blocks.emplace_back(new char[kMargin / kRuns + 8]);
        blocks.back()[0] = 1;
    }
    if (UnderWine()) {
        EXPECT_EQ(0u, HandleCount());
        EXPECT_GT(NextHandleSlot(), slot);
    } else {
        EXPECT_EQ(handles + 1, HandleCount());
    }
    EXPECT_GT(CommittedPrivate(), memory + kMargin);
    CloseHandle(left);
}

TEST_F(LeakTest, LogWrite) {
    LogInto(scratch + "script.log");
    Probe(L"aRvik.LogWrite", kRuns, [&](int i) { Set(L"aRvik.LogText", "entry " + std::to_string(i)); });
}

TEST_F(LeakTest, LogWriteIntoAFolderThatCannotBeMade) {
    // Every entry fails with its reason. Each entry tries the folders anew,
    // so fewer runs keep the time down.
    WriteWhole(scratch + "plain", "x");
    LogInto(scratch + "plain\\script.log");
    Probe(L"aRvik.LogWrite", kRuns / 5, [&](int i) { Set(L"aRvik.LogText", "entry " + std::to_string(i)); },
          DISP_E_EXCEPTION);
}

TEST_F(LeakTest, SetPropStoringAndDeleting) {
    Probe(L"aRvik.SetProp", kRuns, [&](int i) {
        Set(L"aRvik.Name", "Load.Leak");
        Set(L"aRvik.Value", i % 2 ? "" : "value " + std::to_string(i));
    });
}

TEST_F(LeakTest, UpdateProps) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "Load.Leak", REG_SZ, "text", 5));
    Probe(L"aRvik.UpdateProps", kRuns, [](int) {});
    EXPECT_EQ("text", Get(L"Load.Leak"));
}

TEST_F(LeakTest, PutEnvAndGetEnv) {
    Probe(L"aRvik.PutEnv", kRuns, [&](int i) {
        Set(L"aRvik.Name", "ARVIK_LOAD_LEAK");
        Set(L"aRvik.Value", "value " + std::to_string(i % 7));
    });
    Probe(L"aRvik.GetEnv", kRuns, [&](int) { Set(L"aRvik.Name", "ARVIK_LOAD_LEAK"); });
    EXPECT_EQ("value " + std::to_string((kRuns - 1) % 7), Get(L"aRvik.Value"));
}

TEST_F(LeakTest, FileWrite) {
    std::string name = scratch + "file.txt";
    Probe(L"aRvik.FileWrite", kRuns, [&](int i) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileText", std::string(static_cast<size_t>(i % 3000), 'x'));
    });
    EXPECT_EQ(std::string((kRuns - 1) % 3000, 'x'), ReadWhole(name));
}

TEST_F(LeakTest, FileWriteFailing) {
    // Each failure carries its exception out through an exception record.
    WriteWhole(scratch + "plain", "x");
    std::string name = scratch + "plain\\file.txt";
    Probe(L"aRvik.FileWrite", kRuns, [&](int) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileText", "text");
    }, DISP_E_EXCEPTION);
}

// A process start with its wait costs 35-50 ms under Wine: 100 starts keep
// this near five seconds, and one handle left per start would show.
TEST_F(LeakTest, Execute) {
    std::string line = "\"" + ExeFolder() + "commands_child.exe\" 7";
    Probe(L"aRvik.Execute", 100, [&](int) {
        Set(L"aRvik.Command", line);
        Set(L"aRvik.Wait", "1");
    });
    EXPECT_EQ("7", Get(L"aRvik.Result"));
}

// Capture with a time limit, in each capture encoding; then programs that
// outlast a limit of 0, each left running with its pipe drained until it
// ends. At 35-50 ms a start, this adds some twelve seconds.
TEST_F(LeakTest, ExecuteCapturingWithATimeout) {
    std::string line = "\"" + ExeFolder() + "commands_child.exe\" -o output -e error 7";
    const char* encodings[] = {"", "OEM", "ANSI", "UTF-8"};
    Probe(L"aRvik.Execute", 150, [&](int i) {
        SetAll({{L"aRvik.Command", line}, {L"aRvik.Wait", "1"}, {L"aRvik.Timeout", "60000"}, {L"aRvik.Capture", "1"},
                {L"aRvik.CaptureEncoding", encodings[i % 4]}});
    });
    EXPECT_EQ("outputerror", Get(L"aRvik.Output"));
    // Each one left running is kept for aRvik.Await: first as many as are
    // kept, so that every later one closes the oldest.
    for (size_t k = 0; k < KeptProcesses::capacity; ++k) {
        SetAll({{L"aRvik.Command", line}, {L"aRvik.Wait", ""}});
        Execute();
    }
    std::string sleeper = "\"" + ExeFolder() + "commands_child.exe\" -o output -s 100 0";
    Probe(L"aRvik.Execute", 40, [&](int) {
        SetAll({{L"aRvik.Command", sleeper}, {L"aRvik.Wait", "1"}, {L"aRvik.Timeout", "0"}, {L"aRvik.Capture", "1"}});
    }, DISP_E_EXCEPTION);
}

// Programs started without waiting, then awaited: once the extender keeps
// all it may, each new one closes the oldest, so nothing adds up. Then
// programs ended after a time-out: by aRvik.Execute with their job, and by
// aRvik.Await. Some 350 starts: about fifteen seconds.
TEST_F(LeakTest, AwaitAndKill) {
    std::string child = "\"" + ExeFolder() + "commands_child.exe\" ";
    auto start = [&](const char* args) {
        Set(L"aRvik.Command", child + args);
        Execute();
    };
    for (size_t k = 0; k < KeptProcesses::capacity; ++k) start("7");
    Probe(L"aRvik.Await", 150, [&](int) { start("7"); });
    EXPECT_EQ("7", Get(L"aRvik.Result"));
    Probe(L"aRvik.Execute", 60, [&](int) {
        SetAll({{L"aRvik.Command", child + "-s 30000 0"}, {L"aRvik.Wait", "1"}, {L"aRvik.Timeout", "0"},
                {L"aRvik.Kill", "1"}});
    }, DISP_E_EXCEPTION);
    Probe(L"aRvik.Await", 60, [&](int) {
        SetAll({{L"aRvik.Wait", ""}, {L"aRvik.Timeout", ""}, {L"aRvik.Kill", ""}});
        start("-s 30000 0");
        SetAll({{L"aRvik.Timeout", "0"}, {L"aRvik.Kill", "1"}});
    }, DISP_E_EXCEPTION);
}

TEST_F(LeakTest, ExecuteOfAMissingProgram) {
    std::string line = "\"" + scratch.folder + "missing.exe\"";
    Probe(L"aRvik.Execute", kRuns, [&](int) { Set(L"aRvik.Command", line); }, DISP_E_EXCEPTION);
}

// Each encoding replaced and then appended to, which reads the file's mark;
// an append in another encoding than the mark's fails.
TEST_F(LeakTest, FileWriteModesAndEncodings) {
    std::string name = scratch + "file.txt";
    const char* encodings[] = {"", "UTF-8", "UTF-8 BOM", "UTF-16"};
    Probe(L"aRvik.FileWrite", 1200, [&](int i) {
        SetAll({{L"aRvik.FileName", name}, {L"aRvik.FileText", "текст " + std::to_string(i)},
                {L"aRvik.FileMode", i % 2 ? "append" : "replace"}, {L"aRvik.FileEncoding", encodings[i / 2 % 4]}});
    });
    Probe(L"aRvik.FileWrite", 500, [&](int) {
        SetAll({{L"aRvik.FileName", name}, {L"aRvik.FileText", "text"}, {L"aRvik.FileMode", "append"},
                {L"aRvik.FileEncoding", "UTF-8"}});
    }, DISP_E_EXCEPTION);
}

TEST_F(LeakTest, FileRead) {
    const std::string files[] = {"x", "\xEF\xBB\xBFx", std::string("\xFF\xFEx\0", 4), std::string("\xFE\xFF\0x", 4)};
    for (size_t k = 0; k < 4; ++k) WriteWhole(scratch + std::to_string(k).c_str(), files[k] + std::string(3000, '\0'));
    Probe(L"aRvik.FileRead", 1200, [&](int i) {
        Set(L"aRvik.FileName", scratch + std::to_string(i % 4).c_str());
        Set(L"aRvik.FileEncoding", i % 3 ? "" : "UTF-8");
    });
    EXPECT_EQ(L'x', session->Value(L"aRvik.FileText")[0]);
    Probe(L"aRvik.FileRead", 500, [&](int) { Set(L"aRvik.FileName", scratch + "missing.txt"); }, DISP_E_EXCEPTION);
}
