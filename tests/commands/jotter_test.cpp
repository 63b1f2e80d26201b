#include <process.h>

#include <vector>

#include <ScriptLog.h>

#include "CommandsTest.h"
#include "common/SavedKey.h"

namespace {

const int kThreads = 8, kEntries = 1000;

struct Writer {
    ITallivantSessionExtender* extender;
    int id;
    int failures;
};

// One session per thread, as the host gives each script its own.
unsigned __stdcall WriteEntries(void* context) {
    Writer* w = static_cast<Writer*>(context);
    co<HostSession> session(new HostSession);
    BSTR command = SysAllocString(L"aRvik.LogWrite");
    for (int i = 0; i < kEntries; ++i) {
        wchar_t text[160];
        wsprintfW(text, L"thread %d entry %04d ", w->id, i);
        std::wstring line = text + std::wstring(100, L'a' + w->id);
        session->Set(L"aRvik.LogText", line.c_str());
        if (w->extender->Command(session.get(), command) != S_OK) ++w->failures;
    }
    SysFreeString(command);
    return 0;
}

}  // namespace

TEST_F(CommandTest, EightThreadsLoseAndInterleaveNoEntry) {
    SavedKey saved(HKEY_CURRENT_USER, PLUGIN_KEY);
    std::string file = scratch + "threads.log";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Script LogPath", REG_SZ, file.c_str(),
                                             static_cast<DWORD>(file.size() + 1)));

    Writer writers[kThreads];
    HANDLE threads[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        writers[t] = {extender.get(), t, 0};
        threads[t] = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WriteEntries, &writers[t], 0, nullptr));
        ASSERT_NE(nullptr, threads[t]);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(kThreads, threads, TRUE, 120000));
    for (HANDLE t : threads) CloseHandle(t);

    std::string content = ReadWhole(file);
    std::vector<int> next(kThreads, 0);
    int lines = 0, broken = 0;
    for (size_t start = 0; start < content.size();) {
        size_t end = content.find("\r\n", start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 2;
        ++lines;
        // "YYYY-MM-DD HH:MM:SS.mmm thread T entry NNNN " and 100 letters of T.
        int t = -1, n = -1;
        if (line.size() != 24 + 20 + 100 || sscanf(line.c_str() + 24, "thread %d entry %d ", &t, &n) != 2 ||
            t < 0 || t >= kThreads || n != next[t] || line.substr(44) != std::string(100, 'a' + t)) {
            ++broken;
            continue;
        }
        ++next[t];
    }
    for (const Writer& w : writers) EXPECT_EQ(0, w.failures);
    EXPECT_EQ(kThreads * kEntries, lines);
    EXPECT_EQ(0, broken);
    EXPECT_EQ(std::vector<int>(kThreads, kEntries), next);
}

TEST_F(CommandTest, JotterOptionsChooseTheTimeStamp) {
    std::string file = scratch + "sub\\options.log";
    {
        Jotter log;
        log.SetLogPath(file.c_str());
        EXPECT_EQ(0u, log.GetOptions());
        log.Write(6, "%d-%s", 5, "plain");
        log.SetOptions(Jotter::TimeStamp);
        log.Write(6, "%s", "time");
        log.SetLogPath("");  // writes nothing
        log.Write(6, "%s", "dropped");
    }
    std::string content = ReadWhole(file);
    ASSERT_EQ(std::string("5-plain\r\n").size() + 13 + 6, content.size()) << content;
    EXPECT_EQ("5-plain\r\n", content.substr(0, 9));
    int h = -1, m = -1, s = -1, ms = -1;
    EXPECT_EQ(4, sscanf(content.c_str() + 9, "%2d:%2d:%2d.%3d ", &h, &m, &s, &ms));
    EXPECT_EQ("time\r\n", content.substr(9 + 13));
}
