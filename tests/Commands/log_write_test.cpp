#include <Log/ScriptLog.h>

#include <string.h>

#include <vector>

#include "Commands/CommandsTest.h"
#include "common/SavedKey.h"
#include "common/WriteDenied.h"

namespace {

// The plug-in key without log settings, put back as it was afterwards.
struct LogTest : CommandTest {
    SavedKey saved{HKEY_CURRENT_USER, PLUGIN_KEY};

    LogTest() {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Script LogPath");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Max LogText");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Log Keep Days");
    }
    static void Pattern(const std::string& pattern) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Script LogPath", REG_SZ,
                                                 pattern.c_str(), static_cast<DWORD>(pattern.size() + 1)));
    }
    static void Limit(DWORD limit) { LimitAs(REG_DWORD, &limit, sizeof limit); }
    static void LimitAs(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Max LogText", type, data, size));
    }
    static void KeepDays(DWORD days) { KeepDaysAs(REG_DWORD, &days, sizeof days); }
    static void KeepDaysAs(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Log Keep Days", type, data, size));
    }
    // Writes text as one entry; the log text must be left empty.
    void Log(const std::string& text) {
        Set(L"aRvik.LogText", text);
        ASSERT_EQ(S_OK, Command(L"aRvik.LogWrite"));
        EXPECT_TRUE(session->Has(L"aRvik.LogText"));
        EXPECT_EQ("", Get(L"aRvik.LogText"));
    }
    // An entry that must fail with reason; the log text stays for a retry.
    void Fails(const std::wstring& reason) {
        Set(L"aRvik.LogText", "kept");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.LogWrite", &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(reason.c_str(), record.bstrDescription);
        EXPECT_EQ("kept", Get(L"aRvik.LogText"));
    }
};

}  // namespace

TEST_F(LogTest, DateReplacesTheFirstStarAndEntriesCarryLocalTimeStamps) {
    Pattern(scratch + "Script\\DebugLog *.txt");
    Log("первая запись");
    Log("100% %s %d %n");  // per-cent signs are text, not format
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string content = ReadWhole(scratch + ("Script\\DebugLog " + Today() + ".txt").c_str());
    char date[16];
    wsprintfA(date, "%04u-%02u-%02u ", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(date, content.substr(0, 11));
    EXPECT_EQ((std::vector<std::string>{"первая запись\r\n", "100% %s %d %n\r\n"}), Entries(content));
}

TEST_F(LogTest, PatternsWithoutStarWithTwoStarsAndEmpty) {
    // Without "*" every day goes into one file.
    std::string single = scratch + "all.log";
    Pattern(single);
    Log("a");
    Log("");  // an empty text is still an entry
    EXPECT_EQ((std::vector<std::string>{"a\r\n", "\r\n"}), Entries(ReadWhole(single)));

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::vector<std::string> paths;
    for (const char* pattern : {"C:\\L\\*\\x*.txt", "", "*"}) {
        string path = DatedLogPath(pattern, now);
        paths.push_back(path.c_str() ? path.c_str() : "");
    }
    EXPECT_EQ((std::vector<std::string>{"C:\\L\\" + Today() + "\\x*.txt", "", Today()}), paths);
}

TEST_F(LogTest, TextsAtAndAboveTheLimitGetHeaderAndMarker) {
    std::string file = scratch + "cut.log";
    Pattern(file);
    std::string below(32767, 'x'), at(32768, 'y');
    Log(below);  // default limit 32768
    Log(at);
    Limit(0);
    Log("abc");
    Log("");
    Limit(10);
    Log("0123456789abcdefghijklmno");
    EXPECT_EQ((std::vector<std::string>{below + "\r\n", "[32768 байт]\r\n" + at + "\r\n...\r\n",
                                        "[3 байт]\r\n\r\n...\r\n", "\r\n",
                                        "[25 байт]\r\n0123456789\r\n...\r\n"}),
              Entries(ReadWhole(file)));
}

TEST_F(LogTest, SixteenMebibytesAreCutOrWrittenWholeWithNoLimit) {
    std::string file = scratch + "big.log";
    Pattern(file);
    std::string big(16 << 20, 'z');
    Log(big);
    Limit(0xFFFFFFFF);
    Log(big);
    std::vector<std::string> entries = Entries(ReadWhole(file));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("[16777216 байт]\r\n" + std::string(32768, 'z') + "\r\n...\r\n", entries[0]);
    EXPECT_TRUE(entries[1] == big + "\r\n") << entries[1].size();
}

TEST_F(LogTest, AnEntryThatCannotBeWrittenFailsNamingTheFile) {
    std::string blocker = scratch + "file";
    WriteWhole(blocker, "not a folder");
    std::string below = blocker + "\\Script\\log.txt";
    Pattern(below);
    Fails(L"Не удалось записать файл (путь не найден): " + Wide(below));
    EXPECT_FALSE(Exists(blocker + "\\Script"));

    Pattern(scratch.folder);  // a folder is no file to append to
    Fails(L"Не удалось записать файл (нет доступа): " + Wide(scratch.folder));

    Pattern(scratch + "x*y*.log");  // the second "*" stays, and no file may hold it
    Fails(L"Не удалось записать файл (ошибка 123): " + Wide(scratch + ("x" + Today() + "y*.log").c_str()));

    // Wine shows the Unix device that is always full as Z:\dev\full.
    if (Exists("Z:\\dev\\full")) {
        Pattern("Z:\\dev\\full");
        Fails(L"Не удалось записать файл (ошибка 112): Z:\\dev\\full");
    }

    std::string good = scratch + "good.log";
    Pattern(good);
    Log("kept");
    EXPECT_EQ(std::vector<std::string>{"kept\r\n"}, Entries(ReadWhole(good)));
}

TEST_F(LogTest, CyrillicFolderOfTheLog) {
    Pattern(scratch + "Журнал сценариев\\Запись *.txt");
    Log("строка");
    EXPECT_EQ(std::vector<std::string>{"строка\r\n"},
              Entries(ReadWhole(scratch + ("Журнал сценариев\\Запись " + Today() + ".txt").c_str())));
}

// An empty or missing "Script LogPath" switches the log off: no entry, no
// failure, and no file anywhere, not even in the current folder, where a
// relative name would go.
TEST_F(LogTest, NoPathIsNoLog) {
    char before[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.folder.c_str()));
    Log("nowhere");
    Pattern("");
    Log("nowhere");
    SetCurrentDirectoryA(before);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((scratch + "*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        EXPECT_TRUE(!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) << found.cFileName;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// "Max LogText" that is no 32-bit number counts as missing, except a text of
// decimal digits.
TEST_F(LogTest, LimitOfAnotherTypeIsTheDefault) {
    std::string file = scratch + "limit.log";
    Pattern(file);
    std::string at(32768, 'x');
    const std::string cut = "[32768 байт]\r\n" + at + "\r\n...\r\n";
    const unsigned long long big = 5;
    const BYTE raw[4] = {5, 0, 0, 0};
    struct {
        DWORD type;
        const void* data;
        DWORD size;
        std::string entry;  // what the 32768 bytes become
    } cases[] = {
        {REG_SZ, "abc", 4, cut},
        {REG_SZ, "0x10", 5, cut},
        {REG_SZ, "", 1, cut},
        {REG_SZ, "-5", 3, cut},
        {REG_SZ, "4294967296", 11, cut},
        {REG_BINARY, raw, sizeof raw, cut},
        {REG_QWORD, &big, sizeof big, cut},
        {REG_SZ, "5", 2, "[32768 байт]\r\nxxxxx\r\n...\r\n"},
        {REG_SZ, "4294967295", 11, at + "\r\n"},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        LimitAs(c.type, c.data, c.size);
        Log(at);
        expected.push_back(c.entry);
    }
    EXPECT_EQ(expected, Entries(ReadWhole(file)));
}

TEST_F(LogTest, FileStaysOpenForReadersAndMovesWhenThePathChanges) {
    std::string first = scratch + "one\\a.log", second = scratch + "two\\b.log";
    Pattern(first);
    Log("1");
    // A reader (a user tailing the log) opens it while the log holds it.
    HANDLE reader = CreateFileA(first.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    Log("2");
    char buf[64] = "";
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(reader, buf, sizeof buf - 1, &n, nullptr));
    CloseHandle(reader);
    EXPECT_EQ((std::vector<std::string>{"1\r\n", "2\r\n"}), Entries(std::string(buf, n)));

    Pattern(second);
    Log("3");
    // The first file is no longer held: it opens without sharing.
    HANDLE alone = CreateFileA(first.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, alone);
    CloseHandle(alone);
    EXPECT_EQ(std::vector<std::string>{"3\r\n"}, Entries(ReadWhole(second)));
}

// The log is the extender's, as all its commands keep: one for every
// session it serves, gone with it. Each extender holds the file open
// through its own; once both have gone, it opens without sharing.
TEST_F(LogTest, EachExtenderKeepsItsOwnLogForAllItsSessionsUntilItGoes) {
    std::string file = scratch + "kept.log";
    Pattern(file);
    auto openAlone = [&file]() -> DWORD {
        HANDLE alone = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (alone == INVALID_HANDLE_VALUE) return GetLastError();
        CloseHandle(alone);
        return ERROR_SUCCESS;
    };
    Log("first");
    session = co<HostSession>(new HostSession);
    Log("second session");
    co<ITallivantSessionExtender> first = extender;
    extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
    Log("second extender");
    first.Release();
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), openAlone());
    extender.Release();
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), openAlone());
    EXPECT_EQ((std::vector<std::string>{"first\r\n", "second session\r\n", "second extender\r\n"}),
              Entries(ReadWhole(file)));
}

namespace {

// Runs the system's reg.exe with arguments and waits (bounded) for its exit.
void RunReg(const std::string& arguments) {
    std::string line = "reg.exe " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &started))
        << line;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started.hProcess, 30000)) << line;
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    EXPECT_EQ(0u, code) << line;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}

}  // namespace

// The settings are read again after the key reported a change, from the
// very next reading on: a value set, the key deleted, the key made again by
// someone else.
TEST_F(LogTest, SettingsFollowEveryChangeOfTheKey) {
    Pattern("first");
    Limit(5);
    ScriptLogSettings settings;
    string pattern;
    DWORD limit = 0xDEADBEEF;
    auto read = [&] {
        pattern = string("sentinel");
        limit = 0xDEADBEEF;
        settings.Read(pattern, limit);
        return std::string(pattern.c_str()) + " " + std::to_string(limit);
    };
    EXPECT_EQ("first 5", read());
    EXPECT_EQ("first 5", read());
    Pattern("second");
    EXPECT_EQ("second 5", read());
    Limit(7);
    EXPECT_EQ("second 7", read());
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY));
    Pattern("third");  // the key made again
    EXPECT_EQ("third 32768", read());
    Pattern("fourth");  // and watched again
    EXPECT_EQ("fourth 32768", read());
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY));
    EXPECT_EQ(" 32768", read());  // reading makes the key again, empty
}

// The watches are set again only when their report came. Under a parent
// that denies change reports nothing is watched and every reading reads the
// key, so a change still counts from the very next one.
TEST_F(LogTest, WatchesAreSetAgainOnlyWhenTheirReportCame) {
    Pattern("first");
    auto read = [](ScriptLogSettings& settings) {
        string pattern("sentinel");
        DWORD limit = 0xDEADBEEF;
        settings.Read(pattern, limit);
        return std::string(pattern.c_str()) + " " + std::to_string(limit);
    };
    ScriptLogSettings settings;
    EXPECT_EQ("first 32768", read(settings));
    EXPECT_EQ(4u, settings.Watches());  // the key, its parent and both roots' policies
    EXPECT_EQ("first 32768", read(settings));
    Limit(3);
    EXPECT_EQ("first 3", read(settings));
    EXPECT_EQ("first 3", read(settings));
    EXPECT_EQ(5u, settings.Watches());  // the key's, once

    WriteDenied denied(PLUGINS_KEY, HKEY_CURRENT_USER, KEY_NOTIFY);
    ASSERT_TRUE(denied.ok);
    ScriptLogSettings unwatched;
    EXPECT_EQ("first 3", read(unwatched));
    Pattern("second");
    EXPECT_EQ("second 3", read(unwatched));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY));
    Pattern("third");  // the key made again
    EXPECT_EQ("third 32768", read(unwatched));
    EXPECT_EQ("third 32768", read(unwatched));
    EXPECT_EQ(0u, unwatched.Watches());
}

// An operator who locks the settings against change keeps a working log,
// whether the extender logged before or not.
TEST_F(LogTest, SettingsLockedAgainstChangeStillLog) {
    std::string file = scratch + "locked.log";
    Pattern(file);
    Log("before");
    {
        WriteDenied locked(PLUGIN_KEY);
        ASSERT_TRUE(locked.ok);
        Log("logging");
        extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
        Log("fresh");
        Log("again");
    }
    EXPECT_EQ((std::vector<std::string>{"before\r\n", "logging\r\n", "fresh\r\n", "again\r\n"}),
              Entries(ReadWhole(file)));
}

// Another process changes both settings between two entries: the second
// entry follows them.
TEST_F(LogTest, AChangeByAnotherProcessCountsFromTheNextEntry) {
    std::string first = scratch + "first.log", second = scratch + "second.log";
    Pattern(first);
    Log("1");
    RunReg("add \"HKCU\\" PLUGIN_KEY "\" /v \"Script LogPath\" /t REG_SZ /d \"" + second + "\" /f");
    RunReg("add \"HKCU\\" PLUGIN_KEY "\" /v \"Max LogText\" /t REG_DWORD /d 2 /f");
    Log("345");
    EXPECT_EQ(std::vector<std::string>{"1\r\n"}, Entries(ReadWhole(first)));
    EXPECT_EQ(std::vector<std::string>{"[3 байт]\r\n34\r\n...\r\n"}, Entries(ReadWhole(second)));
}

namespace {

SYSTEMTIME clockNow;
VOID WINAPI TestClock(LPSYSTEMTIME now) { *now = clockNow; }

void SetClock(WORD year, WORD month, WORD day) {
    clockNow = SYSTEMTIME();
    clockNow.wYear = year;
    clockNow.wMonth = month;
    clockNow.wDay = day;
}

// What the next Read hands out to remove: "-" for nothing, else the
// pattern, the days and the date.
std::string Cleanup(ScriptLogSettings& settings) {
    string path("sentinel");
    DWORD limit = 0xDEADBEEF;
    LogCleanup cleanup;
    cleanup.keepDays = 0xDEADBEEF;
    settings.Read(path, limit, &cleanup);
    if (!cleanup.keepDays) return "-";
    char date[16];
    wsprintfA(date, "%04u-%02u-%02u", cleanup.today.wYear, cleanup.today.wMonth, cleanup.today.wDay);
    return std::string(cleanup.pattern.c_str()) + " " + std::to_string(cleanup.keepDays) + " " + date;
}

}  // namespace

// Old logs are due at the first entry of each day and the first after the
// pattern or "Log Keep Days" changed, never at every entry, also when the
// key is read afresh at every entry. "Log Keep Days" of another type than
// REG_DWORD, 0 or missing keeps everything.
TEST_F(LogTest, OldLogsAreDueOnceADayAndAfterTheirSettingsChanged) {
    SetClock(2026, 12, 8);
    Pattern("L *.txt");
    KeepDays(7);
    ScriptLogSettings settings(TestClock);
    EXPECT_EQ("L *.txt 7 2026-12-08", Cleanup(settings));
    EXPECT_EQ("-", Cleanup(settings));
    Limit(5);  // another setting
    EXPECT_EQ("-", Cleanup(settings));
    SetClock(2026, 12, 9);
    string path;
    DWORD limit = 0;
    settings.Read(path, limit);  // asks for no cleanup: it stays due
    EXPECT_EQ("L (2026-12-09).txt", std::string(path.c_str()));
    EXPECT_EQ("L *.txt 7 2026-12-09", Cleanup(settings));
    EXPECT_EQ("-", Cleanup(settings));
    KeepDays(3);
    EXPECT_EQ("L *.txt 3 2026-12-09", Cleanup(settings));
    Pattern("M *.txt");
    EXPECT_EQ("M *.txt 3 2026-12-09", Cleanup(settings));
    EXPECT_EQ("-", Cleanup(settings));

    KeepDaysAs(REG_SZ, "7", 2);
    EXPECT_EQ("-", Cleanup(settings));
    SetClock(2026, 12, 10);
    EXPECT_EQ("-", Cleanup(settings));
    KeepDays(0);
    EXPECT_EQ("-", Cleanup(settings));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Log Keep Days");
    SetClock(2026, 12, 11);
    EXPECT_EQ("-", Cleanup(settings));
    KeepDays(2);
    EXPECT_EQ("M *.txt 2 2026-12-11", Cleanup(settings));

    WriteDenied denied(PLUGINS_KEY, HKEY_CURRENT_USER, KEY_NOTIFY);
    ASSERT_TRUE(denied.ok);
    ScriptLogSettings unwatched(TestClock);
    EXPECT_EQ("M *.txt 2 2026-12-11", Cleanup(unwatched));
    EXPECT_EQ("-", Cleanup(unwatched));
    KeepDays(4);
    EXPECT_EQ("M *.txt 4 2026-12-11", Cleanup(unwatched));
    EXPECT_EQ("-", Cleanup(unwatched));
    EXPECT_EQ(0u, unwatched.Watches());
}

// The first entry of an extender removes the old logs when days are kept;
// the entry is written whatever became of them.
TEST_F(LogTest, TheFirstEntryRemovesOldLogsWhenDaysAreKept) {
    Pattern(scratch + "L *.txt");
    const std::string old = scratch + ("L " + DaysAgo(7) + ".txt").c_str(),
                      kept = scratch + ("L " + DaysAgo(6) + ".txt").c_str(),
                      held = scratch + ("L " + DaysAgo(30) + ".txt").c_str();
    for (const std::string& name : {old, kept, held}) WriteWhole(name, "x");
    // Of another type, 0 or missing: every file stays.
    Log("missing");
    KeepDaysAs(REG_SZ, "7", 2);
    extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
    Log("text");
    KeepDays(0);
    extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
    Log("zero");
    EXPECT_TRUE(Exists(old));

    KeepDays(7);
    HANDLE open = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, open);
    Log("seven");
    CloseHandle(open);
    EXPECT_FALSE(Exists(old));
    EXPECT_TRUE(Exists(kept));
    EXPECT_TRUE(Exists(held));
    EXPECT_EQ((std::vector<std::string>{"missing\r\n", "text\r\n", "zero\r\n", "seven\r\n"}),
              Entries(ReadWhole(scratch + ("L " + Today() + ".txt").c_str())));
}
