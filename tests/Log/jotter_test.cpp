#include <process.h>

#include <vector>

#include <Log/LogWriter.h>
#include <Log/ScriptLog.h>
#include <exceptions.h>

#include "Commands/CommandsTest.h"
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
        Jotter log(new LogWriter);
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

namespace {

// Keeps the entries it is given, except that "gate" waits for release
// (after telling that it arrived) and "throw" fails.
struct GateWriter : LogWriter::Target {
    Trevan::Event entered{true, false}, release{true, false};
    std::vector<std::string> written;  // under the log's lock
    Jotter::Outcome Put(const LogWriter::Record& record) override {
        std::string text = record.text.c_str();
        if (text == "gate\r\n") {
            entered.Set();
            release.Wait(30000);
        }
        if (text == "throw\r\n") throw KLAppException("writer failed");
        written.push_back(text);
        return Jotter::Outcome();
    }
};

// One thread's calls of Write: text, or text0, text1, ... for more entries.
struct Caller {
    Caller(Jotter* log, const std::string& text, int entries) : log(log), text(text), entries(entries) {}
    Jotter* log;
    std::string text;
    int entries;
    DWORD error = 0xDEADBEEF;  // the last outcome's
    std::string thrown;        // what a Write threw
    int failed = 0;

    HANDLE Start() { return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr)); }
    static unsigned __stdcall Run(void* context) {
        Caller* c = static_cast<Caller*>(context);
        for (int i = 0; i < c->entries; ++i) {
            std::string text = c->entries == 1 ? c->text : c->text + std::to_string(i);
            try {
                c->error = c->log->Write(6, "%s", text.c_str()).error;
                if (c->error) ++c->failed;
            } catch (const KelmirException& e) {
                c->thrown = e.Reason();
                ++c->failed;
            }
        }
        return 0;
    }
};

}  // namespace

// The record that fails is drained by another caller's Write: only its own
// caller hears of it, and nobody's record stays behind.
TEST(JotterTest, AWriterThatThrowsFailsOnlyItsOwnCaller) {
    GateWriter* writer = new GateWriter;  // the log writer's
    LogWriter* logWriter = new LogWriter(writer);  // the log's
    Jotter log(logWriter);
    Caller gate{&log, "gate", 1}, thrower{&log, "throw", 1}, a{&log, "a", 100}, b{&log, "b", 100};
    std::vector<HANDLE> threads{gate.Start()};
    EXPECT_TRUE(writer->entered.Wait(30000));
    Trevan::Event waiting = logWriter->Queue().NonEmpty();  // set while records wait
    threads.push_back(thrower.Start());
    EXPECT_TRUE(waiting.Wait(30000));
    threads.push_back(a.Start());
    threads.push_back(b.Start());
    writer->release.Set();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(DWORD(threads.size()), threads.data(), TRUE, 60000));

    EXPECT_EQ(0u, gate.error);
    EXPECT_EQ("", gate.thrown);
    EXPECT_EQ(0xDEADBEEFu, thrower.error);
    EXPECT_EQ("writer failed", thrower.thrown);
    EXPECT_EQ(0, a.failed + b.failed);
    EXPECT_EQ(0, logWriter->Queue().Count());
    std::vector<std::string> gated, fromA, fromB, expectA, expectB;
    for (const std::string& text : writer->written)
        (text[0] == 'a' ? fromA : text[0] == 'b' ? fromB : gated).push_back(text);
    for (int i = 0; i < 100; ++i) {
        expectA.push_back("a" + std::to_string(i) + "\r\n");
        expectB.push_back("b" + std::to_string(i) + "\r\n");
    }
    EXPECT_EQ(std::vector<std::string>{"gate\r\n"}, gated);
    EXPECT_EQ(expectA, fromA);
    EXPECT_EQ(expectB, fromB);

    // A record taken out of the queue before the writer saw it is not
    // reported as written.
    Caller dropped{&log, "dropped", 1};
    EnterCriticalSection(log.Section());
    threads.push_back(dropped.Start());
    EXPECT_TRUE(waiting.Wait(30000));
    logWriter->Queue().Clear();
    LeaveCriticalSection(log.Section());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(threads.back(), 30000));
    EXPECT_EQ(DWORD(ERROR_CANCELLED), dropped.error);
    for (HANDLE t : threads) CloseHandle(t);
}

namespace {

struct Witness : LogWriter::Target {
    Witness(Jotter* log, const string& shared, bool* checked) : log(log), shared(shared), checked(checked) {}
    ~Witness() override {
        // The queue is gone already (its record no longer shares the text),
        // the critical section is not.
        EXPECT_EQ(2, shared.RefCount());  // the test's copy and ours
        EXPECT_TRUE(TryEnterCriticalSection(log->Section()));
        LeaveCriticalSection(log->Section());
        *checked = true;
    }
    Jotter* log;
    string shared;
    bool* checked;
};

}  // namespace

TEST(JotterTest, CriticalSectionFirstAndDestructionOrder) {
    string text("kept in the queue");
    bool checked = false;
    {
        Witness* witness = new Witness(nullptr, text, &checked);
        LogWriter* writer = new LogWriter(witness);
        Jotter* log = new Jotter(writer);
        witness->log = log;
        EXPECT_EQ(static_cast<void*>(log), static_cast<void*>(log->Section()));
        ASSERT_TRUE(writer->Queue().Put(new LogWriter::Record(6, text)));
        EXPECT_EQ(3, text.RefCount());
        delete log;
    }
    EXPECT_TRUE(checked);
    EXPECT_EQ(1, text.RefCount());
}
