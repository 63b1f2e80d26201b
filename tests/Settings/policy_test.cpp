// The administrator's settings and the machine's defaults: which place
// decides each setting, from which entry on, and what a user gets at the
// first start.
#include <Settings/FirstSettings.h>

#include "Settings/PolicyTest.h"
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
