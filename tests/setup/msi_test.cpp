// The Windows Installer package as a deployment tool runs it (msiexec /qn),
// in a Wine prefix made for this test alone: its refusals (numbers checked
// against the table of limits, a text of the test's own that holds what SQL
// quotes with), an upgrade from a package numbered lower (built for the
// test around a module numbered 1.2.0.0) while a running host holds the
// module, over machine defaults an administrator retyped, the registry it
// writes against what the module's installation entry writes, the
// machine's defaults reaching a user at the plug-in's first start, a script
// through the stand-in host, a downgrade refused, the NSIS installer
// refused beside it and the reverse, and its removal, folders included.
#include <gtest/gtest.h>

#include <Version.h>

#include "setup/InstallerTest.h"

namespace {

const std::wstring kFolder = L"\\Kelmir\\Tallivant\\Plugins\\aRvik";

std::wstring Package() { return L"\"" + BuildFile(L"..\\installer\\aRvik-" ARVIK_VERSION_TEXT ".msi") + L"\""; }
std::wstring OlderPackage() { return L"\"" + BuildFile(L"setup\\aRvik-1.2.0.msi") + L"\""; }
std::wstring SetupExe() { return BuildFile(L"..\\installer\\aRvik-" ARVIK_VERSION_TEXT "-setup.exe"); }

// What the engine's log says of the actions that refuse ("Действие ЧЧ:ММ:СС:
// RefuseX. text"): the text after the action's name.
std::string Refusal(const std::wstring& log) {
    const std::string text = ReadText(log);
    const size_t at = text.find(": Refuse");
    if (at == std::string::npos) return "(no refusal)";
    const size_t from = text.find(". ", at) + 2;
    return text.substr(from, text.find_first_of("\r\n", from) - from);
}

// The registry of the classes and the host's entries, the machine's
// defaults left out.
std::wstring Registration() {
    std::wstring all = Dump(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY) + Dump(HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY) +
                       Dump(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY) + Dump(HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY);
    for (size_t at; (at = all.find(DEFAULTS_KEY)) != std::wstring::npos;) {
        const size_t line = all.rfind(L'\n', at) + 1;
        all.erase(line, all.find(L'\n', at) + 1 - line);
    }
    return all;
}

}  // namespace

TEST(Msi, RefusesWithAReasonAndInstallsNothing) {
    const std::wstring log = TempFile(L"msi_test.log");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, L"Root Path");
    EXPECT_EQ(1603u, Msiexec(L"/i " + Package(), log));
    EXPECT_EQ(u8"Программа Kelmir Tallivant не установлена на этом компьютере: в разделе реестра "
              u8"HKEY_LOCAL_MACHINE\\Software\\Kelmir\\Tallivant нет её папки (значения «Root Path»), или этой "
              u8"папки нет. Установите Tallivant, затем снова установите модуль aRvik.",
              Refusal(log));

    // Numbers as the table of limits has them (TALib/SettingLimits.h): not
    // one above, no sign, no leading zero, none that a 32-bit number wraps
    // into the range (2^32 + 1).
    PutHostInPlace();
    for (const wchar_t* value : {L"12x", L"4294967296", L"-1"}) {
        EXPECT_EQ(1603u, Msiexec(L"/i " + Package() + L" MAXLOGTEXT=" + value, log)) << Utf8(value);
        EXPECT_EQ(u8"Значение MAXLOGTEXT не целое число от 0 до 4294967295. Ничего не установлено.", Refusal(log));
    }
    for (const wchar_t* value : {L"36501", L"4294967297", L"007"}) {
        EXPECT_EQ(1603u, Msiexec(L"/i " + Package() + L" KEEPDAYS=" + value, log)) << Utf8(value);
        EXPECT_EQ(u8"Значение KEEPDAYS не целое число от 0 до 36500. Ничего не установлено.", Refusal(log));
    }
    // The test's own refusal (tests/setup/test-refusal.sql, in the older
    // package): apostrophes, quotes and a backslash, in its text and its
    // condition, arrive as written.
    EXPECT_EQ(1603u, Msiexec(L"/i " + OlderPackage() + L" REFUSALTEST=it's", log));
    EXPECT_EQ(u8"It's the test's 'refusal': \"quoted\", back\\slash, 100%; отказ.", Refusal(log));
    ExpectNotRegistered();
    EXPECT_EQ(0, InstalledEntries());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DEFAULTS_KEY));
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir"));

    // Beside the NSIS installer's installation, and the reverse.
    ASSERT_EQ(0u, RunProgram(L"\"" + SetupExe() + L"\" /S"));
    EXPECT_EQ(1603u, Msiexec(L"/i " + Package(), log));
    EXPECT_EQ(0u, Refusal(log).find(u8"Модуль aRvik уже установлен программой установки")) << Refusal(log);
    const std::wstring quiet = Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"QuietUninstallString");
    RegDeleteTreeW(HKEY_CURRENT_USER, USER_KEY);  // the NSIS installer's first settings
    ASSERT_EQ(0u, RunProgram(quiet.substr(3)));
    Restart();  // the uninstaller's own file goes
    DeleteFileW(log.c_str());
}

TEST(Msi, UpgradesInUseRunsAndUninstalls) {
    PutHostInPlace();
    const std::wstring log = TempFile(L"msi_test.log");
    const std::wstring folder = ProgramFiles() + kFolder;
    const std::wstring logPath = L"C:\\Журналы\\%COMPUTERNAME%\\DebugLog *.txt";
    ASSERT_EQ(0u, Msiexec(L"/i " + OlderPackage() + L" \"LOGPATH=" + logPath + L"\" MAXLOGTEXT=4294967295 KEEPDAYS=36500",
                          log));
    EXPECT_EQ(1, InstalledEntries());
    EXPECT_EQ(L"SZ:4294967295", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"));
    // An administrator retypes two of them, as the plug-in takes them.
    RegAdd(DEFAULTS_KEY, L"Script LogPath", L"REG_EXPAND_SZ", logPath);
    RegAdd(DEFAULTS_KEY, L"Max LogText", L"REG_DWORD", L"3000000000");

    // The upgrade while a host holds the module: the newer module takes its
    // place at the next restart; the defaults, not given again, stay as they
    // are, byte for byte, whatever their type.
    {
        HeldModule host(folder + L"\\aRvik.dll");
        ASSERT_TRUE(host.ok());
        EXPECT_EQ(3010u, Msiexec(L"/i " + Package(), log));
    }
    EXPECT_EQ(1, InstalledEntries());
    Restart();
    EXPECT_EQ(Read(BuildFile(L"aRvik.dll")), Read(folder + L"\\aRvik.dll"));
    EXPECT_EQ(Read(BuildFile(L"..\\Plugin\\aRvik.chm")), Read(folder + L"\\aRvik.chm"));
    EXPECT_TRUE(TextValue(REG_EXPAND_SZ, logPath) == Stored(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath"))
        << Utf8(Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath"));
    EXPECT_TRUE(NumberValue(3000000000u) == Stored(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"))
        << Utf8(Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"));
    EXPECT_TRUE(TextValue(REG_SZ, L"36500") == Stored(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"))
        << Utf8(Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, USER_KEY));  // nothing of the installing account's

    // The package's rows are what the installation entry writes.
    const std::wstring written = Registration();
    EXPECT_NE(std::wstring::npos, written.find(PLUGIN_CLASS_KEY L"\\InProcServer32||SZ:" + folder + L"\\aRvik.dll\n"))
        << written;
    for (const wchar_t* key : {PLUGIN_CLASS_KEY, CONTROL_CLASS_KEY}) RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    for (const wchar_t* key : {HOST_PLUGIN_KEY, HOST_CONTROL_KEY}) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, L"CLSID");
    EXPECT_EQ(0u, RunProgram(L"\"" + BuildFile(L"..\\installer\\install_helper.exe") + L"\" \"" + folder +
                             L"\\aRvik.dll\" C:\\Tallivant\\"));
    EXPECT_EQ(written, Registration());
    RegDeleteTreeW(HKEY_CURRENT_USER, USER_KEY);  // the entry's first settings

    // The user's first start takes the machine's defaults.
    std::string output;
    EXPECT_EQ(0u, RunHost(LogAndExecute(u8"Запись из пакета"), output)) << output;
    EXPECT_NE(std::string::npos, output.find("1 plug-in(s) started")) << output;
    EXPECT_EQ(L"SZ:" + logPath, Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_EQ(L"DWORD:3000000000", Value(HKEY_CURRENT_USER, USER_KEY, L"Max LogText"));
    EXPECT_EQ(L"DWORD:36500", Value(HKEY_CURRENT_USER, USER_KEY, L"Log Keep Days"));
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(computer, &size));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((L"C:\\Журналы\\" + std::wstring(computer) + L"\\DebugLog (*).txt").c_str(), &found);
    EXPECT_NE(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);

    // No way back; no second installation beside it.
    EXPECT_EQ(1603u, Msiexec(L"/i " + OlderPackage(), log));
    EXPECT_EQ(u8"Установлена более новая версия модуля aRvik: пакет версии 1.2.0 не устанавливается.", Refusal(log));
    const std::wstring setupLog = TempFile(L"msi_test_setup.log");
    EXPECT_EQ(6u, RunProgram(L"\"" + SetupExe() + L"\" /S /LOG=" + setupLog));
    EXPECT_NE(std::string::npos, Read(setupLog).find(u8"Модуль aRvik уже установлен пакетом Windows Installer"))
        << Read(setupLog);
    DeleteFileW(setupLog.c_str());

    // Removal takes exactly what the package installed, the defaults it
    // kept too, and the folders it made while empty: a folder that holds
    // another's file stays. The user's own settings stay.
    const std::wstring other = ProgramFiles() + L"\\Kelmir\\Tallivant\\other.txt";
    ASSERT_TRUE(CopyFileW(BuildFile(L"..\\host\\tallivant.exe").c_str(), other.c_str(), FALSE));
    EXPECT_EQ(0u, Msiexec(L"/x " + Package(), log));
    ExpectNotRegistered();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DEFAULTS_KEY));
    EXPECT_EQ(0, InstalledEntries());
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir\\Tallivant\\Plugins"));
    EXPECT_TRUE(Exists(other));
    EXPECT_EQ(L"DWORD:36500", Value(HKEY_CURRENT_USER, USER_KEY, L"Log Keep Days"));
    EXPECT_EQ(0u, RunHost("echo done\n", output)) << output;
    EXPECT_NE(std::string::npos, output.find("0 plug-in(s) started")) << output;
    DeleteFileW(other.c_str());
    RemoveDirectoryW((ProgramFiles() + L"\\Kelmir\\Tallivant").c_str());
    RemoveDirectoryW((ProgramFiles() + L"\\Kelmir").c_str());
    DeleteFileW(log.c_str());
}
