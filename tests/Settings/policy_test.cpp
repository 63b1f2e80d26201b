// The administrator's settings and the machine's defaults: which place
// decides each setting, from which entry on, and what a user gets at the
// first start.
#include <Objects/ControlPlugin.h>
#include <Settings/FirstSettings.h>
#include <owned.h>

#include "Settings/PolicyTest.h"
#include "common/ProcessFigures.h"
#include "common/WriteDenied.h"

// Every change counts from the very next entry of the same extender: the
// policy keys are watched like the user's.
TEST_F(PolicyTest, TheMachinesPolicyBeatsTheUsersWhichBeatsTheUsersOwnFromTheNextEntry) {
    const std::string own = scratch + "own.log", users = scratch + "users.log", machines = scratch + "machines.log";
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, own);
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, MAX_LOG_TEXT, 100);
    Log("own");
    Put(HKEY_CURRENT_USER, POLICY_KEY, SCRIPT_LOG_PATH, users);
    Log("user's");
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, SCRIPT_LOG_PATH, machines);
    Log("machine's");

    // A value of a form the setting does not take counts as absent.
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, SCRIPT_LOG_PATH, 7);
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, MAX_LOG_TEXT, "3 bytes");
    Put(HKEY_CURRENT_USER, POLICY_KEY, MAX_LOG_TEXT, 3);
    Log("12345");
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, MAX_LOG_TEXT, 2);
    Log("12345");
    {
        // A policy key that cannot be read is absent. (Wine reports no
        // change of an access list: a fresh extender reads it.)
        WriteDenied unreadable(POLICY_KEY, HKEY_CURRENT_USER, KEY_QUERY_VALUE);
        ASSERT_TRUE(unreadable.ok);
        extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
        Log("12345");
    }
    // An empty policy switches the log off.
    Put(HKEY_CURRENT_USER, POLICY_KEY, SCRIPT_LOG_PATH, "");
    Log("nowhere");
    RemovePolicies(HKEY_CURRENT_USER);
    Log("12");
    RemovePolicies(HKEY_LOCAL_MACHINE);
    Log("again");

    EXPECT_EQ((Texts{"own\r\n", "[5 байт]\r\n12\r\n...\r\n", "[2 байт]\r\n12\r\n...\r\n", "again\r\n"}),
              LogEntries(own));
    EXPECT_EQ((Texts{"user's\r\n", "[5 байт]\r\n123\r\n...\r\n", "[5 байт]\r\n12\r\n...\r\n"}), LogEntries(users));
    EXPECT_EQ(Texts{"machine's\r\n"}, LogEntries(machines));
}

// The policies' properties come after the user's own, the machine's last;
// of the user's, only names no policy holds keep their values.
TEST_F(PolicyTest, PolicySessionPropsWinTheMachinesLast) {
    Put(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "A", "own");
    Put(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "B", "own");
    Put(HKEY_CURRENT_USER, POLICY_SESSION_PROPS_KEY, "a", "user's");
    Put(HKEY_CURRENT_USER, POLICY_SESSION_PROPS_KEY, "C", "user's");
    Put(HKEY_CURRENT_USER, POLICY_SESSION_PROPS_KEY, "", "unnamed");
    Put(HKEY_CURRENT_USER, POLICY_SESSION_PROPS_KEY, "Big", 4294967295u);
    Put(HKEY_CURRENT_USER, Wide(POLICY_SESSION_PROPS_KEY), L"Raw", L"bytes", REG_BINARY);
    Put(HKEY_LOCAL_MACHINE, POLICY_SESSION_PROPS_KEY, "c", "machine's");
    StartSession();
    EXPECT_EQ("user's", Get(L"A"));
    EXPECT_EQ("own", Get(L"B"));
    EXPECT_EQ("machine's", Get(L"C"));
    EXPECT_EQ("4294967295", Get(L"Big"));
    EXPECT_FALSE(session->Has(L"Raw"));
    EXPECT_FALSE(session->Has(L""));

    // Without the user's key the policies' still come; so they do again
    // with aRvik.UpdateProps.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY));
    StartSession();
    EXPECT_EQ((std::vector<std::string>{"user's", "machine's"}), (std::vector<std::string>{Get(L"A"), Get(L"C")}));
    Set(L"C", "changed");
    ASSERT_EQ(S_OK, Command(L"aRvik.UpdateProps"));
    EXPECT_EQ("machine's", Get(L"C"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PLUGIN_KEY));
}

// The defaults reach a user's key where the user's own values are missing,
// once: afterwards the user owns them.
TEST_F(PolicyTest, MachineDefaultsAreCopiedOnceAndNeverOverTheUsersValues) {
    const std::string pattern = scratch + "Default *.txt";
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, SCRIPT_LOG_PATH, pattern);
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, MAX_LOG_TEXT, "5");  // digits count
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_KEEP_DAYS, "7");  // digits count; the user's own wins
    Put(HKEY_LOCAL_MACHINE, DEFAULT_SESSION_PROPS_KEY, "A", "default");
    Put(HKEY_LOCAL_MACHINE, DEFAULT_SESSION_PROPS_KEY, "B", 42);
    Put(HKEY_LOCAL_MACHINE, DEFAULT_SESSION_PROPS_KEY, "C", "default");
    Put(HKEY_LOCAL_MACHINE, Wide(DEFAULT_SESSION_PROPS_KEY), L"D", L"bytes", REG_BINARY);
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_KEEP_DAYS, 3);
    Put(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "c", "mine");
    EXPECT_TRUE(FirstSettingsDue());
    WriteFirstSettings();
    EXPECT_FALSE(FirstSettingsDue());
    auto stored = [] {
        std::string all;
        for (const char* name : {SCRIPT_LOG_PATH, MAX_LOG_TEXT, LOG_KEEP_DAYS})
            all += Stored(HKEY_CURRENT_USER, PLUGIN_KEY, name) + " ";
        for (const char* name : {"A", "B", "C", "D", "E"}) all += Stored(HKEY_CURRENT_USER, SESSION_PROPS_KEY, name) + " ";
        return all;
    };
    const std::string first = "SZ:" + pattern + " DWORD:5 DWORD:3 SZ:default DWORD:42 SZ:mine - - ";
    EXPECT_EQ(first, stored());
    Log("four");
    EXPECT_EQ(Texts{"four\r\n"}, LogEntries(scratch + ("Default " + Today() + ".txt").c_str()));

    // Later defaults, and the user's removals, stay as they are.
    Put(HKEY_LOCAL_MACHINE, DEFAULT_SESSION_PROPS_KEY, "E", "later");
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, SCRIPT_LOG_PATH, "elsewhere");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, MAX_LOG_TEXT));
    WriteFirstSettings();
    EXPECT_EQ("SZ:" + pattern + " - DWORD:3 SZ:default DWORD:42 SZ:mine - - ", stored());
}

// "Log Format" of the defaults reaches the user's key as the REG_SZ it is,
// never over the user's own; a value of another type is none.
TEST_F(PolicyTest, TheDefaultLogFormatIsCopiedAsText) {
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, SCRIPT_LOG_PATH, scratch + "json.log");
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_FORMAT, "json");
    WriteFirstSettings();
    EXPECT_EQ("SZ:json", Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_FORMAT));
    Log("a");
    std::string content = ReadWhole(scratch + "json.log");
    EXPECT_EQ("{\"time\":\"", content.substr(0, 9));
    const std::string tail = ",\"text\":\"a\"}\r\n";
    ASSERT_GE(content.size(), tail.size());
    EXPECT_EQ(tail, content.substr(content.size() - tail.size()));

    RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY);
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_FORMAT, "text");
    WriteFirstSettings();
    EXPECT_EQ("SZ:text", Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_FORMAT));

    RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY);
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_FORMAT, 1);
    WriteFirstSettings();
    EXPECT_EQ("-", Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_FORMAT));
}

// %COMPUTERNAME% and %USERNAME% make one folder per terminal and user from
// the first entry on; the environment counts as it is at each entry, for
// the old logs too; a name that is not set stays as written, and the date
// goes only where the pattern as written has its "*".
TEST_F(PolicyTest, EnvironmentReferencesInThePatternAreExpandedAtEachEntry) {
    char computer[256] = "", user[256] = "";
    ASSERT_NE(0u, GetEnvironmentVariableA("COMPUTERNAME", computer, sizeof computer));
    ASSERT_NE(0u, GetEnvironmentVariableA("USERNAME", user, sizeof user));
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, scratch + "%COMPUTERNAME%\\%USERNAME%\\L *.txt");
    Log("terminal");
    EXPECT_EQ(Texts{"terminal\r\n"},
              LogEntries(scratch + (std::string(computer) + "\\" + user + "\\L " + Today() + ".txt").c_str()));

    SetEnvironmentVariableA("ARVIK_LOG_DIR", "one");
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, SCRIPT_LOG_PATH, scratch + "%ARVIK_LOG_DIR%\\%ARVIK_NOT_SET%\\K *.txt");
    Log("1");
    SetEnvironmentVariableA("ARVIK_LOG_DIR", "two");
    const std::string two = scratch + "two\\%ARVIK_NOT_SET%\\K ";
    const std::string old = two + DaysAgo(7) + ".txt", kept = two + DaysAgo(6) + ".txt";
    ASSERT_TRUE(CreateDirectoryA((scratch + "two").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((scratch + "two\\%ARVIK_NOT_SET%").c_str(), nullptr));
    WriteWhole(old, "x");
    WriteWhole(kept, "x");
    Put(HKEY_CURRENT_USER, POLICY_KEY, LOG_KEEP_DAYS, 7);
    Log("2");
    EXPECT_EQ(Texts{"1\r\n"}, LogEntries(scratch + ("one\\%ARVIK_NOT_SET%\\K " + Today() + ".txt").c_str()));
    EXPECT_EQ(Texts{"2\r\n"}, LogEntries(two + Today() + ".txt"));
    EXPECT_FALSE(Exists(old));
    EXPECT_TRUE(Exists(kept));

    // A "*" that a value brings is no date's place, and no file's name; an
    // expansion past the path limit fails as any path does, named in full.
    auto fails = [this](const std::string& path, DWORD error) {
        Set(L"aRvik.LogText", "kept");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.LogWrite", &record));
        EXPECT_EQ(Wide("Не удалось записать файл (ошибка " + std::to_string(error) + "): " + path),
                  std::wstring(record.bstrDescription));
        EXPECT_EQ("kept", Get(L"aRvik.LogText"));
    };
    SetEnvironmentVariableA("ARVIK_LOG_DIR", "a*b");
    fails(scratch + ("a*b\\%ARVIK_NOT_SET%\\K " + Today() + ".txt").c_str(), ERROR_INVALID_NAME);
    const std::string huge(1000, 'x');
    SetEnvironmentVariableA("ARVIK_LOG_DIR", huge.c_str());
    fails(scratch + (huge + "\\%ARVIK_NOT_SET%\\K " + Today() + ".txt").c_str(), ERROR_FILENAME_EXCED_RANGE);
    SetEnvironmentVariableA("ARVIK_LOG_DIR", nullptr);
    // A "%" that nothing closes names no variable: refused, nothing written.
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, SCRIPT_LOG_PATH, scratch + "%COMPUTERNAME%\\100%\\U *.txt");
    fails(scratch + computer + "\\100%\\U " + Today() + ".txt", ERROR_INVALID_NAME);
    EXPECT_FALSE(Exists(scratch + computer + "\\100%"));
}

namespace {

// The text a command failed with, or "S_OK"; any other result as its code.
std::string Outcome(CommandTest& test, const wchar_t* name) {
    Record record;
    HRESULT hr = test.Command(name, &record);
    if (hr == S_OK) return "S_OK";
    if (hr != DISP_E_EXCEPTION) return "HRESULT " + std::to_string(hr);
    return Narrow(record.bstrDescription);
}

// Outcome of the command once it gives expected (Eventually).
std::string OutcomeOnce(CommandTest& test, const wchar_t* name, const std::string& expected) {
    return Eventually(expected, [&test, name] { return Outcome(test, name); });
}

// A REG_MULTI_SZ of the lines given.
std::wstring MultiText(std::initializer_list<const wchar_t*> lines) {
    std::wstring text;
    for (const wchar_t* line : lines) text.append(line).push_back(L'\0');
    return text;  // Put adds the list's closing terminator
}

const char kRefusedPutEnv[] = "Команда aRvik.PutEnv запрещена администратором";
const char kRefusedGetEnv[] = "Команда aRvik.GetEnv запрещена администратором";

}  // namespace

// A command the list leaves out is refused before it reads anything: its
// arguments stay, the variable stays unset. The machine's list, whatever
// its type, decides before the user's. After each change the test waits
// for the extender to see it with a command whose earlier outcome changes
// nothing (PutEnv sets the value it already has).
TEST_F(PolicyTest, AllowedCommandsRefuseTheOthersAndKeepTheirArguments) {
    SetEnvironmentVariableA("ARVIK_POLICY_TEST", nullptr);
    auto putEnv = [this](const char* value) {
        Set(L"aRvik.Name", "ARVIK_POLICY_TEST");
        Set(L"aRvik.Value", value);
        return Outcome(*this, L"aRvik.PutEnv");
    };
    auto getEnv = [this] {
        Set(L"aRvik.Name", "ARVIK_POLICY_TEST");
        std::string outcome = Outcome(*this, L"aRvik.GetEnv");
        return outcome == "S_OK" ? "=" + Get(L"aRvik.Value") : outcome;
    };
    EXPECT_EQ("S_OK", putEnv("before"));  // no policy: everything runs

    // Names as the dispatch matches them; an empty line names nothing.
    Put(HKEY_LOCAL_MACHINE, Wide(POLICY_KEY), L"" ALLOWED_COMMANDS, MultiText({L"arvik.getenv", L"", L"aRvik.Put"}),
        REG_MULTI_SZ);
    EXPECT_EQ(kRefusedPutEnv, Eventually(kRefusedPutEnv, [&putEnv] { return putEnv("before"); }));
    EXPECT_EQ("=before", getEnv());
    EXPECT_EQ(kRefusedPutEnv, putEnv("refused"));
    EXPECT_EQ("ARVIK_POLICY_TEST", Get(L"aRvik.Name"));
    EXPECT_EQ("refused", Get(L"aRvik.Value"));
    EXPECT_EQ("=before", getEnv());
    // The name as the script gave it; a name that is no command stays
    // ignored.
    EXPECT_EQ("Команда ARVIK.PUTENV запрещена администратором", Outcome(*this, L"ARVIK.PUTENV"));
    EXPECT_EQ("S_OK", Outcome(*this, L"aRvik.PutEnv "));

    // The user's list counts only without the machine's.
    Put(HKEY_CURRENT_USER, Wide(POLICY_KEY), L"" ALLOWED_COMMANDS, MultiText({L"aRvik.PutEnv"}), REG_MULTI_SZ);
    EXPECT_EQ(kRefusedPutEnv, putEnv("refused"));
    RemovePolicies(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(kRefusedGetEnv, Eventually(kRefusedGetEnv, getEnv));
    EXPECT_EQ("S_OK", putEnv("user's"));
    EXPECT_EQ(kRefusedGetEnv, getEnv());
    EXPECT_EQ("ARVIK_POLICY_TEST", Get(L"aRvik.Name"));

    // An empty list allows nothing; a REG_SZ is a list of one name; any
    // other type allows nothing.
    Put(HKEY_CURRENT_USER, Wide(POLICY_KEY), L"" ALLOWED_COMMANDS, L"", REG_MULTI_SZ);
    EXPECT_EQ(kRefusedPutEnv, Eventually(kRefusedPutEnv, [&putEnv] { return putEnv("user's"); }));
    EXPECT_EQ(kRefusedGetEnv, getEnv());
    EXPECT_EQ("Команда aRvik.UpdateProps запрещена администратором", Outcome(*this, L"aRvik.UpdateProps"));
    EXPECT_EQ(kRefusedPutEnv, putEnv("refused"));
    Put(HKEY_CURRENT_USER, POLICY_KEY, ALLOWED_COMMANDS, "aRvik.GetEnv");
    EXPECT_EQ("=user's", Eventually("=user's", getEnv));
    EXPECT_EQ(kRefusedPutEnv, putEnv("refused"));
    Put(HKEY_CURRENT_USER, Wide(POLICY_KEY), L"" ALLOWED_COMMANDS, L"aRvik.GetEnv", REG_EXPAND_SZ);
    EXPECT_EQ(kRefusedGetEnv, Eventually(kRefusedGetEnv, getEnv));
    Put(HKEY_CURRENT_USER, POLICY_KEY, ALLOWED_COMMANDS, "aRvik.GetEnv");
    EXPECT_EQ("=user's", Eventually("=user's", getEnv));
    Put(HKEY_CURRENT_USER, POLICY_KEY, ALLOWED_COMMANDS, 1);
    EXPECT_EQ(kRefusedGetEnv, Eventually(kRefusedGetEnv, getEnv));
    // A long list is read whole.
    std::vector<std::wstring> many;
    for (int i = 0; i < 200; ++i) many.push_back(L"aRvik.Other" + std::to_wstring(i));
    std::wstring longList;
    for (const auto& line : many) longList.append(line).push_back(L'\0');
    longList.append(L"aRvik.GetEnv").push_back(L'\0');
    Put(HKEY_CURRENT_USER, Wide(POLICY_KEY), L"" ALLOWED_COMMANDS, longList, REG_MULTI_SZ);
    EXPECT_EQ("=user's", Eventually("=user's", getEnv));
    EXPECT_EQ(kRefusedPutEnv, putEnv("refused"));

    RemovePolicies(HKEY_CURRENT_USER);
    EXPECT_EQ("S_OK", Eventually("S_OK", [&putEnv] { return putEnv("after"); }));
    EXPECT_EQ("=after", getEnv());
    SetEnvironmentVariableA("ARVIK_POLICY_TEST", nullptr);
}

// An unknown aRvik.* name is ignored, or fails with "fail": the machine's
// policy, the user's, the user's own setting decide in that order, each
// only with a REG_SZ. Other plug-ins' names stay ignored. After each
// change the test waits for the extender to see it.
TEST_F(PolicyTest, UnknownCommandsIgnoredOrFailedAsTheSettingSays) {
    const char kUnknown[] = "Неизвестная команда: aRvik.Nothing";
    EXPECT_EQ("S_OK", Outcome(*this, L"aRvik.Nothing"));
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, "fail");
    EXPECT_EQ(kUnknown, OutcomeOnce(*this, L"aRvik.Nothing", kUnknown));
    EXPECT_EQ("Неизвестная команда: ARVIK.x??y", Outcome(*this, L"ARVIK.x\r\ny"));
    EXPECT_EQ("Неизвестная команда: aRvik.", Outcome(*this, L"aRvik."));
    EXPECT_EQ("S_OK", Outcome(*this, L"Other.Nothing"));
    EXPECT_EQ("S_OK", Outcome(*this, L"aRvik"));
    EXPECT_EQ("S_OK", Outcome(*this, L"aRvik.UpdateProps"));

    Put(HKEY_CURRENT_USER, POLICY_KEY, UNKNOWN_COMMANDS, "Ignore");
    EXPECT_EQ("S_OK", OutcomeOnce(*this, L"aRvik.Nothing", "S_OK"));
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, UNKNOWN_COMMANDS, "FAIL");
    EXPECT_EQ(kUnknown, OutcomeOnce(*this, L"aRvik.Nothing", kUnknown));
    // A policy of another type counts as absent.
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, UNKNOWN_COMMANDS, 1);
    EXPECT_EQ("S_OK", OutcomeOnce(*this, L"aRvik.Nothing", "S_OK"));

    // A value that is neither fails the unknown name only, naming itself.
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, UNKNOWN_COMMANDS, "sometimes");
    const char kSometimes[] = "Неверное значение настройки: Unknown Commands=sometimes (допустимо: ignore, fail)";
    EXPECT_EQ(kSometimes, OutcomeOnce(*this, L"aRvik.Nothing", kSometimes));
    EXPECT_EQ("S_OK", Outcome(*this, L"aRvik.UpdateProps"));
    EXPECT_EQ("S_OK", Outcome(*this, L"Other.Nothing"));
    RemovePolicies(HKEY_LOCAL_MACHINE);
    RemovePolicies(HKEY_CURRENT_USER);
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, "");
    const char kEmpty[] = "Неверное значение настройки: Unknown Commands= (допустимо: ignore, fail)";
    EXPECT_EQ(kEmpty, OutcomeOnce(*this, L"aRvik.Nothing", kEmpty));
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, "no\r\n");
    const char kLineEnd[] = "Неверное значение настройки: Unknown Commands=no?? (допустимо: ignore, fail)";
    EXPECT_EQ(kLineEnd, OutcomeOnce(*this, L"aRvik.Nothing", kLineEnd));
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, 1);
    EXPECT_EQ("S_OK", OutcomeOnce(*this, L"aRvik.Nothing", "S_OK"));

    // The list of allowed commands leaves unknown names to this setting.
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, "fail");
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, ALLOWED_COMMANDS, "aRvik.GetEnv");
    EXPECT_EQ(kRefusedPutEnv, OutcomeOnce(*this, L"aRvik.PutEnv", kRefusedPutEnv));
    EXPECT_EQ(kUnknown, Outcome(*this, L"aRvik.Nothing"));
}

namespace {

// Runs aRvik.GetEnv on a session of its own, on a thread of its own, until
// told to stop; each outcome must be a run or the refusal's exact text.
struct GetEnvRunner {
    IDispatch* extender = nullptr;
    co<HostSession> session{new HostSession};
    volatile LONG stop = 0;
    volatile LONG last = -1;  // the last outcome: 1 ran, 0 refused
    volatile LONG runs = 0;
    std::string other;  // the first other outcome

    static DWORD WINAPI Main(void* self) {
        static_cast<GetEnvRunner*>(self)->Loop();
        return 0;
    }
    void Loop() {
        BSTR name = SysAllocString(L"aRvik.GetEnv");
        while (!stop) {
            session->Set(L"aRvik.Name", L"PATH");
            Record record;
            HRESULT hr = Call(extender, L"Command", {ObjectArg(session.get()), TextArg(name)}, &record);
            if (hr == S_OK) {
                last = 1;
            } else if (hr == DISP_E_EXCEPTION && Narrow(record.bstrDescription) == kRefusedGetEnv) {
                last = 0;
            } else if (other.empty()) {
                other = hr == DISP_E_EXCEPTION ? Narrow(record.bstrDescription) : "HRESULT " + std::to_string(hr);
            }
            InterlockedIncrement(&runs);
        }
        SysFreeString(name);
    }
};

// Whether value becomes expected within 5 s (short sleeps).
bool Becomes(const volatile LONG& value, LONG expected) {
    for (DWORD start = GetTickCount(); value != expected; Sleep(2))
        if (GetTickCount() - start > 5000) return false;
    return true;
}

// One extender, released at the end, through changes of the machine's
// list while the runner's commands run: each change is seen by the runner
// before the next is made.
void ChangeWhileRunning(int changes) {
    GetEnvRunner runner;
    co<ITallivantSessionExtender> extender(new Plugin::SessionExtender);
    runner.extender = extender.get();
    KernelHandle thread(CreateThread(nullptr, 0, &GetEnvRunner::Main, &runner, 0, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_TRUE(Becomes(runner.last, 1));
    for (int i = 0; i < changes; ++i) {
        const bool allows = i % 2 != 0;
        PolicyTest::Put(HKEY_LOCAL_MACHINE, Wide(POLICY_KEY), L"" ALLOWED_COMMANDS,
                        MultiText({allows ? L"aRvik.GetEnv" : L"aRvik.PutEnv"}), REG_MULTI_SZ);
        EXPECT_TRUE(Becomes(runner.last, allows ? 1 : 0)) << "change " << i;
    }
    PolicyTest::RemovePolicies(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(Becomes(runner.last, 1));
    runner.stop = 1;
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
    EXPECT_EQ("", runner.other);
    const LONG runs = runner.runs;
    EXPECT_LT(changes, runs);
}

}  // namespace

// The list changed again and again while another thread runs commands on
// the same extender: every command runs or is refused with its text, each
// change is seen, and once the extender is gone it has left no handle
// (its watches, keys and waits); a first round makes the system's own
// (the wait thread's) before the count.
TEST_F(PolicyTest, AllowedCommandsChangedWhileACommandRunsInAnotherThread) {
    ChangeWhileRunning(2);
    const UINT_PTR slot = NextHandleSlot();
    ChangeWhileRunning(20);
    UINT_PTR slotAfter = NextHandleSlot();
    for (DWORD start = GetTickCount(); slotAfter > slot && GetTickCount() - start < 10000; Sleep(50))
        slotAfter = NextHandleSlot();
    if (UnderWine()) {
        EXPECT_LE(slotAfter, slot) << "handles left open";
    }
}

namespace {

// A control panel that is none: it counts the questions for its
// interfaces and answers none, so a plug-in that would add its page fails.
struct NoPanel : IUnknown {
    int asked = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        ++asked;
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

}  // namespace

// A policy's "Control Disabled" decides before the user's own: nonzero
// hides the page, 0 shows it; of another type it counts as absent.
TEST_F(PolicyTest, ControlDisabledByPolicyHidesThePageForEveryUser) {
    co<ITallivantControlPlugin> plugin(new ControlPlugin(co<ITypeInfo>()));
    auto shown = [&plugin] {
        NoPanel panel;
        HRESULT hr = plugin->Initialize(&panel);
        EXPECT_EQ(panel.asked == 0, hr == S_OK);
        return panel.asked != 0;
    };
    EXPECT_TRUE(shown());
    Put(HKEY_LOCAL_MACHINE, POLICY_KEY, CONTROL_DISABLED, 1);
    EXPECT_FALSE(shown());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PLUGIN_KEY));
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, CONTROL_DISABLED, DWORD{0});
    Put(HKEY_CURRENT_USER, POLICY_KEY, CONTROL_DISABLED, DWORD{0});
    EXPECT_FALSE(shown());  // the machine's first
    RemovePolicies(HKEY_LOCAL_MACHINE);
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, CONTROL_DISABLED, 1);
    EXPECT_TRUE(shown());  // the user's policy over the user's own
    Put(HKEY_CURRENT_USER, POLICY_KEY, CONTROL_DISABLED, 7);
    EXPECT_FALSE(shown());
    Put(HKEY_CURRENT_USER, POLICY_KEY, CONTROL_DISABLED, "0");
    EXPECT_FALSE(shown());  // a text is no policy's form: the user's own
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, CONTROL_DISABLED, DWORD{0});
    EXPECT_TRUE(shown());
}

// The delivery's defaults reach the user's key as their types are, never
// over the user's own; a value of another type is none.
TEST_F(PolicyTest, TheDefaultDeliverySettingsAreCopiedAsTheirTypes) {
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_DELIVERY, "spooled");
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_SPOOL_MIB, 16);
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_COLLECTOR, "relp://logs:2514");
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_COLLECTOR, "");
    WriteFirstSettings();
    EXPECT_EQ("SZ:spooled DWORD:16 SZ:", Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_DELIVERY) + " " +
                                             Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_SPOOL_MIB) + " " +
                                             Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_COLLECTOR));
    RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY);
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_DELIVERY, 1);
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_SPOOL_MIB, "16");
    WriteFirstSettings();
    EXPECT_EQ("- -", Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_DELIVERY) + " " +
                         Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_SPOOL_MIB));
}
