#include <map>
#include <set>

#include <Trevan/SyncObject.h>
#include <fwwin/RegKey.h>

#include "LoadTest.h"

namespace {

const int kThreads = 8;
const int kCommands = 1000;
// Every kStartEvery-th command starts the child and waits for it: a process
// start costs tens of milliseconds under Wine, so five per thread.
const int kStartEvery = 200;
const int kProps = 7;
const int kFiles = 10;
// Milliseconds for all threads together: some ten seconds on a quiet
// machine; a bound for a hang, however busy the machine.
const DWORD kBound = 600000;

std::string Number(int n) { return std::to_string(n); }

// Entries of differing lengths, so that a torn or interleaved one shows.
std::string LogText(int thread, int i) {
    std::string text = "T" + Number(thread) + " #" + Number(i) + " ";
    text.append(static_cast<size_t>((i * 37 + thread * 11) % 1500), static_cast<char>('a' + thread));
    return text + " end";
}

std::string FileText(int thread, int i) {
    std::string text = "T" + Number(thread) + " file " + Number(i) + "\r\n";
    text.append(static_cast<size_t>((i * 53) % 4000), static_cast<char>('A' + thread));
    return text;
}

std::string PropName(int thread, int k) { return "Load.T" + Number(thread) + ".P" + Number(k); }
std::string VariableName(int thread) { return "ARVIK_LOAD_T" + Number(thread); }

// One thread's session and what it expects to find afterwards. Faults are
// collected and reported on the main thread.
struct Worker {
    int thread = 0;
    IDispatch* extender = nullptr;
    co<HostSession> session{new HostSession};
    std::string folder, child;
    std::map<std::string, std::string> files;  // last text written to each
    std::map<std::string, std::string> props;
    std::string variable;  // the value PutEnv last gave
    std::vector<std::string> faults;

    void Fault(int i, const std::string& what) {
        if (faults.size() < 10) faults.push_back("T" + Number(thread) + " #" + Number(i) + ": " + what);
    }
    void Set(const char* name, const std::string& value) { session->Set(Wide(name).c_str(), Wide(value).c_str()); }
    std::string Get(const char* name) { return Narrow(session->Value(Wide(name).c_str())); }
    bool Run(int i, const wchar_t* command) {
        BSTR text = SysAllocString(command);
        Record record;
        HRESULT hr = Call(extender, L"Command", {ObjectArg(session.get()), TextArg(text)}, &record);
        if (hr != S_OK && WineStartFailed(record)) {
            record.Reset();
            hr = Call(extender, L"Command", {ObjectArg(session.get()), TextArg(text)}, &record);
        }
        SysFreeString(text);
        if (hr != S_OK) Fault(i, Narrow(command) + " failed: " + Narrow(record.bstrDescription));
        return hr == S_OK;
    }
    void Expect(int i, const char* name, const std::string& value) {
        std::string found = Get(name);
        if (found != value) Fault(i, std::string(name) + " is \"" + found.substr(0, 60) + "\"");
    }

    void Command(int i) {
        std::string name = VariableName(thread);
        if (i % kStartEvery == kStartEvery / 2) {
            // Odd threads start without waiting and await the program, so
            // that the kept programs are kept and found from many threads.
            int code = thread * 1000 + i;
            Set("aRvik.Command", "\"" + child + "\" " + Number(code));
            Set("aRvik.Wait", thread % 2 ? "" : "1");
            if (!Run(i, L"aRvik.Execute")) return;
            if (thread % 2 && !Run(i, L"aRvik.Await")) return;
            Expect(i, "aRvik.Result", Number(code));
            return;
        }
        switch (i % 6) {
        case 0:
        case 1:
            Set("aRvik.LogText", LogText(thread, i));
            if (Run(i, L"aRvik.LogWrite")) Expect(i, "aRvik.LogText", "");
            break;
        case 2: {
            std::string name = folder + "f" + Number(i % kFiles) + ".txt", text = FileText(thread, i);
            Set("aRvik.FileName", name);
            Set("aRvik.FileText", text);
            if (!Run(i, L"aRvik.FileWrite")) break;
            files[name] = text;
            Expect(i, "aRvik.FileName", name);
            Expect(i, "aRvik.FileText", "");
            break;
        }
        case 3: {
            std::string name = PropName(thread, i % kProps), value = "T" + Number(thread) + ":" + Number(i);
            Set("aRvik.Name", name);
            Set("aRvik.Value", value);
            if (!Run(i, L"aRvik.SetProp")) break;
            props[name] = value;
            Expect(i, name.c_str(), value);
            break;
        }
        case 4:
            Set("aRvik.Name", name);
            Set("aRvik.Value", "T" + Number(thread) + ":" + Number(i));
            if (Run(i, L"aRvik.PutEnv")) variable = "T" + Number(thread) + ":" + Number(i);
            break;
        case 5:
            Set("aRvik.Name", name);
            if (Run(i, L"aRvik.GetEnv")) Expect(i, "aRvik.Value", variable);
            break;
        }
    }

    static DWORD WINAPI Main(void* self) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        Worker* worker = static_cast<Worker*>(self);
        for (int i = 0; i < kCommands; ++i) worker->Command(i);
        CoUninitialize();
        return 0;
    }
};

struct ConcurrencyTest : CommandTest {
    SavedKey settings{HKEY_CURRENT_USER, PLUGIN_KEY};

    ~ConcurrencyTest() override {
        for (int t = 0; t < kThreads; ++t) SetEnvironmentVariableA(VariableName(t).c_str(), nullptr);
    }
};

}  // namespace

TEST_F(ConcurrencyTest, EightSessionsOnOneExtenderKeepEntriesFilesAndPropertiesWhole) {
    std::string logName = scratch + "script.log";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Script LogPath", REG_SZ,
                                             logName.c_str(), static_cast<DWORD>(logName.size() + 1)));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Max LogText");

    Worker workers[kThreads];
    std::vector<Trevan::SyncObject> threads;
    threads.reserve(kThreads);  // never copied: a copy would duplicate the handle
    std::vector<HANDLE> handles;
    for (int t = 0; t < kThreads; ++t) {
        Worker& w = workers[t];
        w.thread = t;
        w.extender = extender.get();
        w.folder = scratch + ("t" + Number(t) + "\\").c_str();
        w.child = ExeFolder() + "commands_child.exe";
        threads.emplace_back(CreateThread(nullptr, 0, &Worker::Main, &w, 0, nullptr));
        if (!threads.back().IsValid()) {
            ADD_FAILURE() << "no thread " << t << ": error " << GetLastError();
            threads.pop_back();
            break;
        }
        handles.push_back(threads.back().Get());
    }
    DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, kBound);
    if (waited == WAIT_TIMEOUT) {
        // The threads still use this frame's objects: returning would pull
        // them away, so the whole test program ends here, as a failure.
        ADD_FAILURE() << "the threads did not finish within " << kBound << " ms";
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    ASSERT_EQ(WAIT_OBJECT_0, waited);
    ASSERT_EQ(static_cast<size_t>(kThreads), handles.size());

    for (Worker& w : workers) {
        for (const std::string& fault : w.faults) ADD_FAILURE() << fault;
        // Only its own properties: the ten arguments and results (with
        // aRvik.ProcessId, which every start writes), its own defaults,
        // nothing of another session.
        EXPECT_EQ(10u + kProps, w.session->Count()) << "thread " << w.thread;
        for (const auto& prop : w.props) EXPECT_EQ(prop.second, w.Get(prop.first.c_str()));
        for (int other = 0; other < kThreads; ++other) {
            if (other == w.thread) continue;
            for (int k = 0; k < kProps; ++k)
                EXPECT_FALSE(w.session->Has(Wide(PropName(other, k)).c_str())) << w.thread << " " << other;
        }
        for (const auto& file : w.files) EXPECT_TRUE(ReadWhole(file.first) == file.second) << file.first;
        RegKey defaults(HKEY_CURRENT_USER, SESSION_PROPS_KEY, false, KEY_READ);
        for (const auto& prop : w.props) EXPECT_STREQ(prop.second.c_str(), defaults[prop.first.c_str()].Text().c_str());
    }

    // Every entry exactly once and whole: one line each, a time stamp, the
    // text as written.
    std::map<std::string, int> expected;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kCommands; ++i)
            if (i % kStartEvery != kStartEvery / 2 && i % 6 < 2) expected[LogText(t, i)] = 0;
    std::string log = ReadWhole(logName);
    size_t start = 0, lines = 0, strangers = 0;
    while (start < log.size()) {
        size_t end = log.find("\r\n", start);
        if (end == std::string::npos) end = log.size();
        ++lines;
        std::string line = log.substr(start, end - start);
        auto found = line.size() > 24 && line[4] == '-' && line[23] == ' ' ? expected.find(line.substr(24))
                                                                              : expected.end();
        if (found == expected.end()) {
            if (++strangers <= 3) ADD_FAILURE() << "torn or unknown entry: " << line.substr(0, 80);
        } else {
            ++found->second;
        }
        start = end + 2;
    }
    EXPECT_EQ(0u, strangers);
    EXPECT_EQ(expected.size(), lines);
    size_t missing = 0, doubled = 0;
    for (const auto& entry : expected) {
        missing += entry.second == 0;
        doubled += entry.second > 1;
    }
    EXPECT_EQ(0u, missing);
    EXPECT_EQ(0u, doubled);
}
