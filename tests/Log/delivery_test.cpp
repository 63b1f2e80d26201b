// The script log's spooled delivery: its settings through aRvik.LogWrite,
// and the spool and its delivery thread (Log/LogDelivery.h) with a fake
// collector of the test's own, and with a real rsyslogd.
#include <Log/LogDelivery.h>
#include <Log/ScriptLog.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <set>
#include <thread>
#include <vector>

#include "Commands/CommandsTest.h"
#include "common/RsyslogCollector.h"
#include "common/SavedKey.h"

namespace {

// Polls until done says so, at most ms; whether it did.
bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

// Lines of a file, each without its "\r\n".
std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    size_t at = 0, end;
    while ((end = content.find("\r\n", at)) != std::string::npos) {
        lines.push_back(content.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// Text lines without their time stamps ("YYYY-MM-DD HH:MM:SS.mmm ").
std::vector<std::string> Texts(const std::string& content) {
    std::vector<std::string> texts;
    for (const std::string& line : Lines(content)) texts.push_back(line.size() >= 24 ? line.substr(24) : line);
    return texts;
}

// A collector that takes everything while up, nothing while down, each
// Send after delay ms.
struct FakeCollector {
    std::mutex lock;
    std::vector<std::string> got;
    bool up = true;
    DWORD delay = 0;
    unsigned sends = 0;

    std::vector<std::string> Got() {
        std::lock_guard<std::mutex> hold(lock);
        return got;
    }
    void Set(bool isUp, DWORD ms = 0) {
        std::lock_guard<std::mutex> hold(lock);
        up = isUp;
        delay = ms;
    }
};

struct FakeLink : CollectorLink {
    explicit FakeLink(std::shared_ptr<FakeCollector> collector) : collector(collector) {}
    size_t Send(const std::vector<string>& messages, DWORD, string& reason) override {
        DWORD delay;
        {
            std::lock_guard<std::mutex> hold(collector->lock);
            delay = collector->delay;
            ++collector->sends;
        }
        if (delay) Sleep(delay);
        std::lock_guard<std::mutex> hold(collector->lock);
        if (!collector->up) {
            reason = "down";
            return 0;
        }
        EXPECT_LE(messages.size(), LogDelivery::COLLECTOR_BATCH);
        for (const string& message : messages) collector->got.push_back(message.c_str());
        return messages.size();
    }
    std::shared_ptr<FakeCollector> collector;
};

// "SEQUENCE TEXT": what the fake collector keeps of an entry.
string TestMessage(const LogEntry& entry) {
    return string((std::to_string(entry.sequence) + " " + Narrow(entry.text.c_str())).c_str());
}

CollectorAddress TestCollector() {
    CollectorAddress address;
    address.protocol = CollectorAddress::Tcp;
    address.host = "collector";
    address.port = 514;
    return address;
}

// A spool of its own in the scratch folder, a fake collector, and records
// made as LogWrite makes them.
struct SpoolTest : ::testing::Test {
    Scratch scratch{"arvik_delivery"};
    std::wstring folder = Wide(scratch + "spool");
    std::shared_ptr<FakeCollector> collector = std::make_shared<FakeCollector>();

    std::unique_ptr<LogDelivery> Open(unsigned long long bound = 64 << 20) {
        std::shared_ptr<FakeCollector> fake = collector;
        return std::unique_ptr<LogDelivery>(new LogDelivery(
            folder, bound, TestCollector(), [fake](const CollectorAddress&) { return new FakeLink(fake); },
            TestMessage));
    }
    static SpoolRecord Entry(const std::string& path, const std::string& text, LogFormat format = LogFormat::Text) {
        LogRoute route;
        GetLocalTime(&route.now);
        route.collector = TestCollector();
        return SpooledEntry(route, string(path.c_str()), 0x8000, format, basic_text<wchar_t>(Wide(text).c_str()),
                            string(text.c_str()), basic_text<wchar_t>(L"PC"));
    }
    void Write(LogDelivery& log, const std::string& path, const std::string& text, unsigned long long bound = 64 << 20) {
        SpoolRecord record = Entry(path, text);
        log.Write(record, TestCollector(), bound);
    }
    // The files of the spool folder.
    std::vector<std::string> SpoolFiles(const char* mask = "*") {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA((scratch + "spool\\" + mask).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
        } while (FindNextFileA(search, &data));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::vector<std::string> Numbered(const char* stem, int from, int to) {
    std::vector<std::string> texts;
    for (int i = from; i <= to; ++i) texts.push_back(stem + std::to_string(i));
    return texts;
}

// The plug-in's settings for the log, put back afterwards.
struct DeliveryTest : CommandTest {
    SavedKey saved{HKEY_CURRENT_USER, PLUGIN_KEY};

    DeliveryTest() {
        for (const char* name : {"Script LogPath", "Max LogText", "Log Keep Days", "Log Format", "Log Delivery",
                                 "Log Spool MiB", "Log Collector"})
            RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, name);
    }
    static void Text(const char* name, const std::string& value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, name, REG_SZ, value.c_str(),
                                                 static_cast<DWORD>(value.size() + 1)));
    }
    static void Value(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, name, type, data, size));
    }
    void Log(const std::string& text) {
        Set(L"aRvik.LogText", text);
        ASSERT_EQ(S_OK, Command(L"aRvik.LogWrite"));
        EXPECT_EQ("", Get(L"aRvik.LogText"));
    }
    // The failure's text; the log text stays.
    std::string Fails() {
        Set(L"aRvik.LogText", "kept");
        Record record;
        EXPECT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.LogWrite", &record));
        EXPECT_EQ("kept", Get(L"aRvik.LogText"));
        return record.bstrDescription ? Narrow(record.bstrDescription) : "";
    }
    // The user's spool folder and its files now.
    static std::string UserSpool() {
        char local[MAX_PATH] = "";
        SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
        return std::string(local) + "\\aRvik\\Spool\\";
    }
    static size_t SpoolCount() {
        size_t count = 0;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA((UserSpool() + "*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do count += !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileA(search, &data));
        FindClose(search);
        return count;
    }
};

}  // namespace

// A value no delivery, bound or collector takes fails the entry naming the
// setting and its value; nothing is written, neither the file nor a spool.
TEST_F(DeliveryTest, BadSettingsFailNamingThemAndWriteNothing) {
    std::string file = scratch + "bad.log";
    Text("Script LogPath", file);
    size_t spools = SpoolCount();
    Text("Log Delivery", "later\r\n");
    EXPECT_EQ("Неизвестный способ доставки журнала: \"Log Delivery\"=later?? (допустимо: direct, spooled)", Fails());
    Text("Log Delivery", "Spooled");
    for (DWORD mib : {0ul, 4097ul}) {
        Value("Log Spool MiB", REG_DWORD, &mib, sizeof mib);
        EXPECT_EQ("Недопустимый размер очереди журнала: \"Log Spool MiB\"=" + std::to_string(mib) +
                      " (допустимо: REG_DWORD от 1 до 4096)",
                  Fails());
    }
    Text("Log Spool MiB", "64");
    EXPECT_EQ("Недопустимый размер очереди журнала: \"Log Spool MiB\"=64 (допустимо: REG_DWORD от 1 до 4096)", Fails());
    Value("Log Spool MiB", REG_BINARY, "\x40\0\0\0", 4);
    EXPECT_EQ("Недопустимый размер очереди журнала: \"Log Spool MiB\"=(тип 3) (допустимо: REG_DWORD от 1 до 4096)",
              Fails());
    DWORD one = 1;
    Value("Log Spool MiB", REG_DWORD, &one, sizeof one);
    Text("Log Collector", "ftp://host");
    std::string refused = Fails();
    EXPECT_NE(std::string::npos, refused.find("\"Log Collector\"=ftp://host")) << refused;
    // Refused in direct delivery too.
    Text("Log Delivery", "direct");
    EXPECT_EQ(refused, Fails());
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(spools, SpoolCount());
}

// Spooled entries reach the file in order, each once, in either form; the
// spool is gone once the log object goes with everything delivered.
TEST_F(DeliveryTest, SpooledEntriesReachTheFileOnceInOrderAsTextAndJson) {
    std::string file = scratch + "spooled.log";
    Text("Script LogPath", file);
    Text("Log Delivery", "SPOOLED");
    std::vector<std::string> texts = Numbered("запись ", 1, 40);
    for (const std::string& text : texts) Log(text);
    Text("Log Format", "json");
    Log("json \"1\"");
    Log("json 2");
    ASSERT_TRUE(WaitFor([&] { return Lines(ReadWhole(file, "")).size() >= 42; }, 30000));
    std::vector<std::string> lines = Lines(ReadWhole(file));
    ASSERT_EQ(42u, lines.size());
    EXPECT_EQ(texts, Texts(ReadWhole(file).substr(0, ReadWhole(file).find("{"))));
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    wsprintfA(date, "%04u-%02u-%02u ", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(date, lines[0].substr(0, 11));
    EXPECT_EQ(0u, lines[40].find("{\"time\":\"")) << lines[40];
    EXPECT_NE(std::string::npos, lines[40].find(",\"text\":\"json \\\"1\\\"\"}")) << lines[40];
    EXPECT_NE(std::string::npos, lines[41].find(",\"text\":\"json 2\"}")) << lines[41];
    // Nothing is delivered twice after the log object went.
    extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
    EXPECT_EQ(42u, Lines(ReadWhole(file)).size());
}

// The clock's date of an entry decides its file, also when it is
// delivered the next day.
TEST_F(DeliveryTest, AnEntrysOwnDateDecidesItsFile) {
    static SYSTEMTIME clockNow;
    struct Clock {
        static VOID WINAPI Now(LPSYSTEMTIME now) { *now = clockNow; }
    };
    Text("Script LogPath", scratch + "day *.log");
    ScriptLogSettings settings(Clock::Now);
    Scratch spool("arvik_day_spool");
    LogDelivery log(Wide(spool.folder), 1 << 20, CollectorAddress());
    for (WORD day : {30, 31, 1}) {
        clockNow = SYSTEMTIME();
        clockNow.wYear = 2026;
        clockNow.wMonth = day == 1 ? 2 : 1;
        clockNow.wDay = day;
        clockNow.wHour = 23;
        string path;
        DWORD limit = 0;
        LogRoute route;
        settings.Read(path, limit, nullptr, nullptr, &route);
        std::string text = "day " + std::to_string(day);
        SpoolRecord record = SpooledEntry(route, path, limit, LogFormat::Text, basic_text<wchar_t>(Wide(text).c_str()),
                                          string(text.c_str()), basic_text<wchar_t>(L"PC"));
        log.Write(record, route.collector, 1 << 20);
    }
    ASSERT_TRUE(WaitFor([&] { return log.Delivered(); }, 30000));
    EXPECT_EQ("2026-01-30 23:00:00.000 day 30\r\n", ReadWhole(scratch + "day (2026-01-30).log"));
    EXPECT_EQ("2026-01-31 23:00:00.000 day 31\r\n", ReadWhole(scratch + "day (2026-01-31).log"));
    EXPECT_EQ("2026-02-01 23:00:00.000 day 1\r\n", ReadWhole(scratch + "day (2026-02-01).log"));
}

// A drive that is not there yet: LogWrite goes on, the entries wait in the
// spool and reach the file, in order, once the drive appears. Where the
// system maps no drive letter with DefineDosDevice (Wine), a folder that
// cannot be made, its place taken by a file until the file goes, stands
// for the share that is away.
TEST_F(DeliveryTest, AMissingDriveDelaysTheFileButFailsNoEntry) {
    DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char c = 'Q'; c <= 'Y' && !letter; ++c)
        if (!(drives & (1u << (c - 'A')))) letter = c;
    ASSERT_NE(0, letter);
    std::string drive = std::string(1, letter) + ":";
    std::string target = scratch + "drive";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    bool mapped = DefineDosDeviceA(0, drive.c_str(), target.c_str()) && Exists(drive + "\\");
    if (mapped) DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    std::string away = mapped ? drive : target + "\\away";
    if (!mapped) WriteWhole(away, "not a folder");
    Text("Script LogPath", away + "\\share\\log.txt");
    Text("Log Delivery", "spooled");
    Log("before 1");
    Log("before 2");
    Sleep(1500);  // the file's first tries fail meanwhile
    Log("before 3");
    if (mapped)
        ASSERT_TRUE(DefineDosDeviceA(0, drive.c_str(), target.c_str()));
    else
        ASSERT_TRUE(DeleteFileA(away.c_str()));
    std::string file = (mapped ? target : away) + "\\share\\log.txt";
    Log("after");
    // Longer than the back-off has grown meanwhile (at most 4 s).
    bool arrived = WaitFor([&] { return Lines(ReadWhole(file, "")).size() >= 4; }, 30000);
    std::vector<std::string> texts = Texts(ReadWhole(file));
    extender.Release();
    if (mapped) DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    ASSERT_TRUE(arrived);
    EXPECT_EQ((std::vector<std::string>{"before 1", "before 2", "before 3", "after"}), texts);
}

// The log object goes while the collector is slow and then down; the next
// one adopts the spool: the file gets every entry once, the collector
// every one at least once, in order.
TEST_F(SpoolTest, ARestartMidDeliveryLosesAndRepeatsNothingInTheFile) {
    std::string file = scratch + "restart.log";
    std::vector<std::string> texts = Numbered("entry ", 1, 5000);
    std::string firstId;
    {
        collector->Set(true, 100);
        std::unique_ptr<LogDelivery> log = Open();
        firstId = log->SpoolId();
        for (const std::string& text : texts) Write(*log, file, text);
        ASSERT_TRUE(WaitFor([&] { return !collector->Got().empty(); }, 30000));
        collector->Set(false);
    }
    EXPECT_FALSE(SpoolFiles("*.spool").empty());  // the rest waits in the spool
    size_t before = collector->Got().size();
    EXPECT_LT(before, texts.size());
    collector->Set(true);
    std::unique_ptr<LogDelivery> log = Open();
    EXPECT_NE(firstId, log->SpoolId());
    Write(*log, file, "entry 5001");
    ASSERT_TRUE(WaitFor([&] { return log->Delivered(); }, 60000));
    texts.push_back("entry 5001");
    EXPECT_EQ(texts, Texts(ReadWhole(file)));
    // In order, each at least once: a sequence never goes back but to
    // repeat what was sent, and the new spool's entry comes last.
    std::vector<std::string> got = collector->Got();
    ASSERT_GE(got.size(), 5001u);
    unsigned long long last = 0;
    std::map<unsigned long long, int> seen;
    for (size_t i = 0; i + 1 < got.size(); ++i) {
        unsigned long long sequence = std::stoull(got[i]);
        EXPECT_EQ("entry " + std::to_string(sequence), got[i].substr(got[i].find(' ') + 1));
        EXPECT_TRUE(sequence == last + 1 || sequence <= last) << got[i];
        last = std::max(last, sequence);
        ++seen[sequence];
    }
    EXPECT_EQ(5000u, seen.size());
    EXPECT_EQ("1 entry 5001", got.back());
    log.reset();
    EXPECT_EQ(std::vector<std::string>(), SpoolFiles());
}

// A bound of 1 MiB with both destinations down: the oldest entries go, and
// each destination hears how many it lost before the first it gets.
TEST_F(SpoolTest, ABoundOfOneMiBDropsTheOldestAndSaysHowMany) {
    std::string blocker = scratch + "blocked";
    WriteWhole(blocker, "a file where the folder should be");
    std::string file = blocker + "\\bound.log";
    collector->Set(false);
    std::unique_ptr<LogDelivery> log = Open(1 << 20);
    std::string big(10000, 'x');
    for (int i = 1; i <= 100; ++i) Write(*log, file, std::to_string(i) + " " + big, 1 << 20);
    // Within the bound: 100 entries of some 30 KB each would be 3 MB.
    unsigned long long bytes = 0;
    for (const std::string& name : SpoolFiles()) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA((scratch + "spool\\" + name).c_str(), GetFileExInfoStandard, &data));
        bytes += data.nFileSizeLow;
    }
    EXPECT_LE(bytes, (1u << 20) + 1024u);
    EXPECT_TRUE(WaitFor([&] { return !log->Failure(LogSpool::Collector).empty(); }, 30000));
    EXPECT_TRUE(WaitFor([&] { return !log->Failure(LogSpool::File).empty(); }, 30000));
    EXPECT_EQ("down", std::string(log->Failure(LogSpool::Collector).c_str()));
    EXPECT_EQ("Не удалось записать файл (путь не найден): " + file, std::string(log->Failure(LogSpool::File).c_str()));
    ASSERT_TRUE(DeleteFileA(blocker.c_str()));
    collector->Set(true);
    ASSERT_TRUE(WaitFor([&] { return log->Delivered(); }, 90000));
    std::vector<std::string> texts = Texts(ReadWhole(file));
    ASSERT_GE(texts.size(), 2u);
    const std::string notice = "Журнал переполнен: пропущено ";
    ASSERT_EQ(0u, texts[0].find(notice)) << texts[0];
    int dropped = std::stoi(texts[0].substr(notice.size()));
    EXPECT_EQ(notice + std::to_string(dropped) + " записей", texts[0]);
    EXPECT_GT(dropped, 50);
    ASSERT_EQ(static_cast<size_t>(101 - dropped), texts.size());
    for (size_t i = 1; i < texts.size(); ++i) EXPECT_EQ(std::to_string(dropped + i) + " " + big, texts[i]);
    std::vector<std::string> got = collector->Got();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ("0 " + notice, got[0].substr(0, notice.size() + 2));
    int lost = std::stoi(got[0].substr(notice.size() + 2));
    EXPECT_EQ(static_cast<size_t>(101 - lost), got.size());
    EXPECT_EQ("100 100 " + big, got.back());
    // Cleared once the thread sees its success, just after the spool does.
    EXPECT_TRUE(WaitFor([&] { return log->Failure(LogSpool::Collector).empty(); }, 30000));

    // Entries of more than half the bound: each drops the one before, and
    // stays itself.
    std::string again = scratch + "blocked again";
    WriteWhole(again, "not a folder");
    collector->Set(false);
    std::string huge(400000, 'h');
    for (int i = 1; i <= 3; ++i) Write(*log, again + "\\huge.log", std::to_string(i) + " " + huge, 1 << 20);
    ASSERT_TRUE(DeleteFileA(again.c_str()));
    size_t before = collector->Got().size();
    collector->Set(true);
    ASSERT_TRUE(WaitFor([&] { return log->Delivered(); }, 90000));
    std::vector<std::string> lines = Lines(ReadWhole(again + "\\huge.log"));
    ASSERT_EQ(4u, lines.size());  // the notice, and the one entry cut to "Max LogText"
    EXPECT_EQ(notice + "2 записей", lines[0].substr(24));
    EXPECT_EQ("[400002 байт]", lines[1].substr(24));
    got = collector->Got();
    ASSERT_EQ(before + 2, got.size());
    EXPECT_EQ("0 " + notice + "2 записей", got[before]);
    EXPECT_EQ("103 3 " + huge, got[before + 1]);
}

// A record cut short by a crash is dropped when the spool is adopted; the
// ones before it are delivered.
TEST_F(SpoolTest, ATornLastRecordIsDroppedNotDelivered) {
    std::string blocker = scratch + "blocked";
    WriteWhole(blocker, "not a folder");
    std::string file = blocker + "\\torn.log";
    collector->Set(false);
    {
        std::unique_ptr<LogDelivery> log = Open();
        for (int i = 1; i <= 3; ++i) Write(*log, file, "torn " + std::to_string(i));
    }
    std::vector<std::string> segments = SpoolFiles("*.seg");
    ASSERT_EQ(1u, segments.size());
    {
        HANDLE segment = CreateFileA((scratch + "spool\\" + segments[0]).c_str(), GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, segment);
        LARGE_INTEGER size;
        ASSERT_TRUE(GetFileSizeEx(segment, &size));
        size.QuadPart -= 5;
        ASSERT_TRUE(SetFilePointerEx(segment, size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(segment));
        CloseHandle(segment);
    }
    ASSERT_TRUE(DeleteFileA(blocker.c_str()));
    collector->Set(true);
    std::unique_ptr<LogDelivery> log = Open();
    ASSERT_TRUE(WaitFor([&] { return log->Delivered(); }, 30000));
    EXPECT_EQ((std::vector<std::string>{"torn 1", "torn 2"}), Texts(ReadWhole(file)));
    EXPECT_EQ((std::vector<std::string>{"1 torn 1", "2 torn 2"}), collector->Got());

    // A flipped byte anywhere in a record makes it no record.
    std::vector<char> bytes;
    SpoolRecord record = Entry(file, "whole");
    EncodeSpoolRecord(record, bytes);
    SpoolRecord read;
    EXPECT_EQ(bytes.size(), DecodeSpoolRecord(bytes.data(), bytes.size(), read));
    EXPECT_EQ(std::string(record.line.c_str()), std::string(read.line.c_str()));
    EXPECT_EQ(0u, DecodeSpoolRecord(bytes.data(), bytes.size() - 1, read));
    bytes[bytes.size() / 2] ^= 1;
    EXPECT_EQ(0u, DecodeSpoolRecord(bytes.data(), bytes.size(), read));
}

// Four threads writing at once: each thread's entries keep their order in
// the file and at the collector.
TEST_F(SpoolTest, FourThreadsWritingAtOnceKeepEachThreadsOrder) {
    std::string file = scratch + "threads.log";
    std::unique_ptr<LogDelivery> log = Open();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) Write(*log, file, "t" + std::to_string(t) + " " + std::to_string(i));
        });
    for (std::thread& writer : writers) writer.join();
    ASSERT_TRUE(WaitFor([&] { return log->Delivered(); }, 60000));
    auto check = [](const std::vector<std::string>& texts) {
        int next[4] = {};
        for (const std::string& text : texts) {
            int t = text[text.find('t') + 1] - '0';
            ASSERT_TRUE(t >= 0 && t < 4) << text;
            EXPECT_EQ(next[t]++, std::stoi(text.substr(text.find('t') + 3))) << text;
        }
        for (int n : next) EXPECT_EQ(100, n);
    };
    std::vector<std::string> texts = Texts(ReadWhole(file));
    EXPECT_EQ(400u, texts.size());
    check(texts);
    std::vector<std::string> got = collector->Got();
    EXPECT_EQ(400u, got.size());
    check(got);
}

namespace {

// Each of four threads' entries "tT N" in the order given, counted: every
// N from 0 to each - 1 once, in its order; what is out of place is told.
void ExpectEachThreadInOrder(const std::vector<std::string>& texts, int each, const char* where) {
    int next[4] = {};
    int outOfPlace = 0;
    for (const std::string& text : texts) {
        ASSERT_TRUE(text.size() > 3 && text[0] == 't' && text[1] >= '0' && text[1] <= '3') << where << ": " << text;
        int t = text[1] - '0';
        if (std::stoi(text.substr(3)) != next[t] && outOfPlace++ < 5)
            ADD_FAILURE() << where << ": " << text << " where t" << t << " " << next[t] << " was due";
        ++next[t];
    }
    for (int n : next) EXPECT_EQ(each, n) << where;
    EXPECT_EQ(0, outOfPlace) << where;
}

}  // namespace

// 10,000 entries from four threads, each on a session of its own, spooled
// and sent to a real rsyslogd over RELP. The collector stops after about a
// third and starts again after two thirds; between, the host's extender is
// released and made anew, as a host that restarts does. No LogWrite
// fails; every entry reaches the collector, exactly once when duplicates
// (the same spool and sequence) are dropped, in each thread's order; the
// log file holds each once, in each thread's order.
TEST_F(DeliveryTest, TenThousandEntriesReachARealCollectorAcrossBothRestarts) {
    RsyslogCollector rsyslog;
    ASSERT_TRUE(rsyslog.Start()) << rsyslog.error;
    std::string file = scratch + "fleet.log";
    Text("Script LogPath", file);
    Text("Log Delivery", "spooled");
    Text("Log Collector", "relp://127.0.0.1:" + std::to_string(rsyslog.RelpPort()));
    const int each = 2500;
    volatile LONG failed = 0;
    auto write = [&](int from, int to) {
        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t)
            writers.emplace_back([&, t] {
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                {
                    co<HostSession> own{new HostSession};
                    BSTR name = SysAllocString(L"aRvik.LogWrite");
                    for (int i = from; i < to; ++i) {
                        own->Set(L"aRvik.LogText", Wide("t" + std::to_string(t) + " " + std::to_string(i)).c_str());
                        Record record;
                        if (Call(extender.get(), L"Command", {ObjectArg(own.get()), TextArg(name)}, &record) != S_OK)
                            InterlockedIncrement(&failed);
                    }
                    SysFreeString(name);
                }
                CoUninitialize();
            });
        for (std::thread& writer : writers) writer.join();
    };
    write(0, 833);
    ASSERT_TRUE(rsyslog.Stop()) << rsyslog.error;
    write(833, 1250);
    extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);  // the host restarts
    write(1250, 1667);
    ASSERT_TRUE(rsyslog.Start()) << rsyslog.error;
    write(1667, each);
    EXPECT_EQ(0, failed);

    auto unique = [&rsyslog](std::vector<std::string>* texts) {
        std::set<std::pair<std::string, unsigned long long>> seen;
        for (const CollectedMessage& m : rsyslog.Messages())
            if (seen.insert({m.spool, m.seq}).second && texts) texts->push_back(m.text);
        return seen.size();
    };
    EXPECT_TRUE(WaitFor([&] { return unique(nullptr) >= 4u * each; }, 180000)) << unique(nullptr);
    EXPECT_TRUE(WaitFor([&] { return Entries(ReadWhole(file, "")).size() >= 4u * each; }, 60000));
    extender = co<ITallivantSessionExtender>();  // lets go of the file

    std::vector<std::string> texts;
    unique(&texts);
    const size_t arrived = rsyslog.Messages().size();
    printf("collector: %u messages for %u entries (%u came more than once)\n", unsigned(arrived),
           unsigned(texts.size()), unsigned(arrived - texts.size()));
    ExpectEachThreadInOrder(texts, each, "collector");
    std::vector<std::string> lines;
    for (const std::string& entry : Entries(ReadWhole(file)))
        lines.push_back(entry.size() >= 2 ? entry.substr(0, entry.size() - 2) : entry);
    ExpectEachThreadInOrder(lines, each, "log file");
}
