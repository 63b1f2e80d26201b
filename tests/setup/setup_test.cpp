// The NSIS installer as an operator runs it, in a Wine prefix made for this
// test alone (tests/setup/run-in-fresh-prefix.sh): switches quoted as
// deployment tools and shells quote them, the machine's defaults reaching
// the installing account, an upgrade over an earlier version and no way
// back without /ALLOWDOWNGRADE, a script through the stand-in host, which
// finds the installed plug-in in the registry as the real host does, the
// module in use, and the silent uninstallation a deployment tool waits
// for; and the installer's and the uninstaller's failures and refusals.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <Version.h>

#include "common/WriteDenied.h"
#include "setup/InstallerTest.h"

namespace {

const wchar_t* const kInstallDir = L"C:\\Программы Kelmir\\Модуль aRvik";

std::wstring SetupExe() { return BuildFile(L"..\\installer\\aRvik-" ARVIK_VERSION_TEXT "-setup.exe"); }

DWORD Install(const std::wstring& options = L"", const std::wstring& setup = SetupExe()) {
    return RunProgram(L"\"" + setup + L"\" /S" + options);
}

// The folder of the installation the installer registered.
void ExpectRegistered(const std::wstring& folder) {
    const std::wstring module = L"SZ:" + folder + L"\\aRvik.dll";
    EXPECT_EQ(L"SZ:Kelmir Tallivant aRvik plugin", Value(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY, L""));
    EXPECT_EQ(module, Value(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY L"\\InProcServer32", L""));
    EXPECT_EQ(L"SZ:Both", Value(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY L"\\InProcServer32", L"ThreadingModel"));
    EXPECT_EQ(module, Value(HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY L"\\InProcServer32", L""));
    EXPECT_EQ(L"SZ:{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}", Value(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY, L"CLSID"));
    EXPECT_EQ(L"SZ:{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}", Value(HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY, L"CLSID"));
    EXPECT_EQ(L"SZ:Kelmir Tallivant aRvik plugin", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayName"));
    EXPECT_EQ(L"SZ:1.3.0", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion"));
    EXPECT_EQ(L"SZ:Kelmir", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"Publisher"));
    EXPECT_EQ(L"SZ:\"" + folder + L"\\aRvik-uninstall.exe\"",
              Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"UninstallString"));
    EXPECT_EQ(L"SZ:\"" + folder + L"\\aRvik-uninstall.exe\" /S _?=" + folder,
              Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"QuietUninstallString"));
    EXPECT_EQ(1, InstalledEntries());
    EXPECT_TRUE(Exists(folder + L"\\aRvik.dll"));
    EXPECT_TRUE(Exists(folder + L"\\aRvik.chm"));
    EXPECT_TRUE(Exists(folder + L"\\aRvik-uninstall.exe"));
    EXPECT_FALSE(Exists(folder + L"\\Tallivanx.dll"));
}

void ExpectNothingInstalled() {
    ExpectNotRegistered();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_EQ(0, InstalledEntries());
}

// The log's lines after its first, which names the version.
std::string Said(const std::wstring& log) {
    const std::string text = Read(log);
    return text.substr(text.find("\r\n") + 2);
}

// The uninstaller run in place from a copy, as QuietUninstallString runs it
// but ending with all removed: its own file is not the one that goes.
DWORD Uninstall(const std::wstring& folder, const std::wstring& options) {
    const std::wstring copy = TempFile(L"aRvik-uninstall-run.exe");
    EXPECT_TRUE(CopyFileW((folder + L"\\aRvik-uninstall.exe").c_str(), copy.c_str(), FALSE));
    const DWORD code = RunProgram(L"\"" + copy + L"\"" + options + L" _?=" + folder);
    DeleteFileW(copy.c_str());
    return code;
}

}  // namespace

TEST(Setup, WithoutTheHostSaysSoAndCopiesNothing) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, L"Root Path");
    EXPECT_EQ(2u, Install());
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir"));
    ExpectNothingInstalled();
    EXPECT_EQ(u8"Установка модуля aRvik 1.3.0\r\n"
              u8"Программа Kelmir Tallivant не установлена на этом компьютере: в разделе реестра "
              u8"HKEY_LOCAL_MACHINE\\Software\\Kelmir\\Tallivant нет её папки (значения «Root Path»). Установите "
              u8"Tallivant, затем снова запустите установку модуля aRvik.\r\n",
              Read(TempFile(L"aRvik-setup.log")));
}

// The module's entry fails on the host's key after it registered the first
// class: the installer says why, ends with 3 and takes back what it brought
// and made, and only that: another product's uninstall.exe in the folder
// stays, and the machine's defaults it wrote before the entry are as they
// were, byte for byte (one was missing).
TEST(Setup, AFailingInstallationEntryIsUndone) {
    PutHostInPlace();
    const std::wstring folder = ProgramFiles() + L"\\Kelmir\\Tallivant\\Plugins\\aRvik";
    ASSERT_EQ(0, SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr));
    const std::wstring other = folder + L"\\uninstall.exe";
    ASSERT_TRUE(CopyFileW(BuildFile(L"..\\host\\tallivant.exe").c_str(), other.c_str(), FALSE));
    const std::wstring log = TempFile(L"setup_test_failure.log");
    {
        WriteDenied denied("Software\\Kelmir\\Tallivant\\Plugins\\aRvik", HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(denied.ok);
        const StoredValue logPath = TextValue(REG_EXPAND_SZ, L"%TEMP%\\Прежний *.txt"), maxLogText = NumberValue(77);
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath", logPath.type,
                                                 logPath.bytes.data(), static_cast<DWORD>(logPath.bytes.size())));
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText", maxLogText.type,
                                                 maxLogText.bytes.data(), static_cast<DWORD>(maxLogText.bytes.size())));
        EXPECT_EQ(3u, Install(L" /LOG=" + log + L" \"/LOGPATH=C:\\Q\\DebugLog *.txt\" /MAXLOGTEXT=65536 /KEEPDAYS=7"));
        EXPECT_TRUE(logPath == Stored(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath"))
            << Utf8(Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath"));
        EXPECT_TRUE(maxLogText == Stored(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"))
            << Utf8(Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"));
        EXPECT_EQ(L"", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"));
    }
    ExpectNothingInstalled();
    EXPECT_TRUE(Exists(other));
    EXPECT_FALSE(Exists(folder + L"\\aRvik.dll"));
    EXPECT_FALSE(Exists(folder + L"\\aRvik.chm"));
    EXPECT_FALSE(Exists(folder + L"\\aRvik-uninstall.exe"));
    const std::string reason = u8"Ошибка установки модуля \"" + Utf8(folder) +
                               u8"\\aRvik.dll\": Не удалось открыть раздел реестра (ошибка 5): "
                               u8"HKEY_LOCAL_MACHINE\\Software\\Kelmir\\Tallivant\\Plugins\\aRvik\r\n";
    const std::string text = Read(log);
    EXPECT_NE(std::string::npos, text.find(reason)) << text;
    EXPECT_NE(std::string::npos, text.find(u8"Установка не выполнена; изменения отменены.")) << text;
    DeleteFileW(log.c_str());
    DeleteFileW(other.c_str());
    for (std::wstring dir = folder; dir.size() > ProgramFiles().size(); dir.erase(dir.find_last_of(L'\\')))
        RemoveDirectoryW(dir.c_str());
}

// A switch that is unknown, not a switch (a value's second word, left
// unquoted), given twice, or whose number is no whole number within the
// table of limits, and a folder whose name the ANSI code page cannot hold,
// are refused with 5 before anything changes, in the log of a /LOG= that
// comes after them.
TEST(Setup, RefusesBadSwitchesAndValuesBeforeAnythingChanges) {
    PutHostInPlace();
    const std::wstring log = TempFile(L"setup_test_refused.log");
    const std::pair<const wchar_t*, const char*> refused[] = {
        {L" /MAXLOGTEXT=12x", u8"Значение /MAXLOGTEXT=12x не целое число от 0 до 4294967295."},
        {L" \"/MAXLOGTEXT=4294967296\"", u8"Значение /MAXLOGTEXT=4294967296 не целое число от 0 до 4294967295."},
        {L" /KEEPDAYS=36501", u8"Значение /KEEPDAYS=36501 не целое число от 0 до 36500."},
        {L" /KEEPDAYS=1 /KEEPDAYS=2", u8"Ключ /KEEPDAYS= задан дважды."},
        {L" /LOGPATH=C:\\Q\\DebugLog *.txt",
         u8"«*.txt» не ключ: ключ, в значении которого есть пробелы, возьмите в кавычки целиком "
         u8"(\"/LOGPATH=C:\\Журналы\\DebugLog *.txt\")."},
        {L" \"/KEEPDAY=7\"", u8"Неизвестный ключ «/KEEPDAY=7». Ключи программы установки: /S, /D=ПАПКА, /LOG=ФАЙЛ, "
                             u8"/LOGPATH=ПУТЬ, /MAXLOGTEXT=N, /KEEPDAYS=N, /ALLOWDOWNGRADE."},
    };
    for (const auto& switches : refused) {
        EXPECT_EQ(5u, Install(switches.first + std::wstring(L" \"/LOG=") + log + L"\"")) << Utf8(switches.first);
        EXPECT_EQ(std::string(switches.second) + u8" Ничего не установлено.\r\n", Said(log));
    }
    const std::wstring chinese = L"C:\\模块";
    EXPECT_EQ(5u, Install(L" /LOG=" + log + L" /D=" + chinese));
    EXPECT_NE(std::string::npos,
              Read(log).find(Utf8(L"Имя папки «" + chinese + L"» нельзя записать в кодировке системы (ANSI)")))
        << Read(log);
    EXPECT_FALSE(Exists(chinese));
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir\\Tallivant\\Plugins\\aRvik"));
    ExpectNothingInstalled();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DEFAULTS_KEY));
    DeleteFileW(log.c_str());
}

// Switches quoted whole (/S too, which NSIS itself would miss) or not, in
// any order: the log goes where /LOG= says, and the machine's defaults are
// written before the installing account's first settings, which take them.
// A newer version installed is kept (7, nothing changed) unless
// /ALLOWDOWNGRADE is given. The uninstaller refuses a switch it does not
// know (5, nothing removed), then takes all with /REMOVESETTINGS.
TEST(Setup, TakesQuotedSwitchesAndWritesTheDefaultsFirst) {
    PutHostInPlace();
    RegDeleteTreeW(HKEY_CURRENT_USER, USER_KEY);
    const std::wstring folder = ProgramFiles() + L"\\Kelmir\\Tallivant\\Plugins\\aRvik";
    const std::wstring log = TempFile(L"setup_test_quoted.log");
    ASSERT_EQ(0u, RunProgram(L"\"" + SetupExe() + L"\" \"/LOGPATH=C:\\Q\\DebugLog *.txt\" /KEEPDAYS=15 \"/S\" "
                             L"\"/MAXLOGTEXT=4294967295\" \"/LOG=" + log + L"\""));
    ExpectRegistered(folder);
    EXPECT_EQ(0u, Read(log).find(u8"Установка модуля aRvik 1.3.0\r\n")) << Read(log);
    EXPECT_EQ(L"SZ:C:\\Q\\DebugLog *.txt", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath"));
    EXPECT_EQ(L"SZ:4294967295", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"));
    EXPECT_EQ(L"SZ:15", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"));
    EXPECT_EQ(L"SZ:C:\\Q\\DebugLog *.txt", Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_EQ(L"DWORD:4294967295", Value(HKEY_CURRENT_USER, USER_KEY, L"Max LogText"));
    EXPECT_EQ(L"DWORD:15", Value(HKEY_CURRENT_USER, USER_KEY, L"Log Keep Days"));

    SetValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion", L"1.3.1");
    EXPECT_EQ(7u, Install(L" /KEEPDAYS=30 /LOG=" + log));
    EXPECT_EQ(u8"Папка Tallivant: C:\\Tallivant\r\nУстановлена более новая версия модуля aRvik (1.3.1): программа "
              u8"установки версии 1.3.0 её не заменяет. Чтобы вернуться к версии 1.3.0, запустите установку с ключом "
              u8"/ALLOWDOWNGRADE. Ничего не изменено.\r\n",
              Said(log));
    EXPECT_EQ(L"SZ:1.3.1", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion"));
    EXPECT_EQ(L"SZ:15", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"));
    EXPECT_EQ(0u, Install(L" /KEEPDAYS=30 /ALLOWDOWNGRADE /LOG=" + log));
    EXPECT_NE(std::string::npos,
              Said(log).find(u8"Установленная версия 1.3.1 заменяется версией 1.3.0 (ключ /ALLOWDOWNGRADE).\r\n"))
        << Said(log);
    ExpectRegistered(folder);
    EXPECT_EQ(L"SZ:30", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"));

    const std::wstring uninstallLog = TempFile(L"setup_test_uninstall.log");
    EXPECT_EQ(5u, Uninstall(folder, L" /S /REMOVESETTING /LOG=" + uninstallLog));
    EXPECT_EQ(u8"Неизвестный ключ «/REMOVESETTING». Ключи программы удаления: /S, /LOG=ФАЙЛ, /REMOVESETTINGS. Ничего "
              u8"не удалено.\r\n",
              Said(uninstallLog));
    ExpectRegistered(folder);
    EXPECT_EQ(0u, Uninstall(folder, L" \"/S\" \"/REMOVESETTINGS\" \"/LOG=" + uninstallLog + L"\""));
    ExpectNothingInstalled();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DEFAULTS_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, USER_KEY));
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir"));
    const std::string said = Said(uninstallLog);
    EXPECT_NE(std::string::npos, said.find(u8"Настройки пользователя и «Session Props» удалены.\r\nМодуль aRvik удалён.\r\n"))
        << said;
    DeleteFileW(uninstallLog.c_str());
    DeleteFileW(log.c_str());
}

TEST(Setup, UpgradesRunsAndUninstallsWithTheModuleInUse) {
    PutHostInPlace();
    const std::wstring folder(kInstallDir);
    // Version 1.2.0 as it was: its uninstaller was uninstall.exe.
    ASSERT_EQ(0u, Install(L" /D=" + folder, BuildFile(L"setup\\aRvik-1.2.0-setup.exe")));
    EXPECT_EQ(L"SZ:1.2.0", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion"));
    ASSERT_TRUE(MoveFileW((folder + L"\\aRvik-uninstall.exe").c_str(), (folder + L"\\uninstall.exe").c_str()));
    SetValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"UninstallString", L"\"" + folder + L"\\uninstall.exe\"");
    EXPECT_EQ(L"SZ:C:\\Tallivant\\Logs\\Script\\DebugLog *.txt", Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PROPS_KEY));

    // The operator's settings; the upgrade keeps them and the folder, and
    // writes the machine's defaults given (as text; %...% as written).
    const std::wstring logPath = L"C:\\Журналы aRvik\\Сценарии *.txt";
    SetValue(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath", logPath);
    SetValue(HKEY_CURRENT_USER, PROPS_KEY, L"Terminal", L"T-07");
    ASSERT_EQ(0u, Install(L" /LOGPATH=\"\\\\server\\logs\\%COMPUTERNAME%\\DebugLog *.txt\" /MAXLOGTEXT=65536 /KEEPDAYS=7"));
    ExpectRegistered(folder);
    EXPECT_FALSE(Exists(folder + L"\\uninstall.exe"));
    ExpectRightChecksum(SetupExe());
    ExpectRightChecksum(folder + L"\\aRvik-uninstall.exe");
    EXPECT_EQ(L"SZ:" + logPath, Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_EQ(L"SZ:T-07", Value(HKEY_CURRENT_USER, PROPS_KEY, L"Terminal"));
    EXPECT_EQ(L"SZ:\\\\server\\logs\\%COMPUTERNAME%\\DebugLog *.txt",
              Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Script LogPath"));
    EXPECT_EQ(L"SZ:65536", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Max LogText"));
    EXPECT_EQ(L"SZ:7", Value(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, L"Log Keep Days"));

    // No way back to 1.2.0 without asking for it: nothing changes.
    const std::wstring downgradeLog = TempFile(L"setup_test_downgrade.log");
    EXPECT_EQ(7u, Install(L" /LOG=" + downgradeLog, BuildFile(L"setup\\aRvik-1.2.0-setup.exe")));
    EXPECT_NE(std::string::npos,
              Said(downgradeLog).find(u8"Установлена более новая версия модуля aRvik (1.3.0): программа установки версии "
                                      u8"1.2.0 её не заменяет."))
        << Said(downgradeLog);
    DeleteFileW(downgradeLog.c_str());
    ExpectRegistered(folder);
    EXPECT_EQ(Read(BuildFile(L"aRvik.dll")), Read(folder + L"\\aRvik.dll"));

    std::string output;
    EXPECT_EQ(0u, RunHost("expect Terminal = T-07\n" + LogAndExecute(u8"Запись после установки"), output)) << output;
    EXPECT_NE(std::string::npos, output.find("1 plug-in(s) started")) << output;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"C:\\Журналы aRvik\\Сценарии (*).txt", &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    EXPECT_NE(std::string::npos,
              Read(std::wstring(L"C:\\Журналы aRvik\\") + found.cFileName).find("\xC7\xE0\xEF\xE8\xF1\xFC"));  // "Запись"

    // A running host holds the module: the installer changes nothing and
    // ends with 4; the uninstaller, run as a deployment tool runs it
    // (QuietUninstallString, waiting for it), removes all but the module
    // and its own file, which go at the next restart, and ends with 3010.
    const std::wstring uninstaller = TempFile(L"aRvik-uninstall-copy.exe");
    ASSERT_TRUE(CopyFileW((folder + L"\\aRvik-uninstall.exe").c_str(), uninstaller.c_str(), FALSE));
    {
        HeldModule host(folder + L"\\aRvik.dll");
        ASSERT_TRUE(host.ok());
        const std::wstring log = TempFile(L"setup_test_in_use.log");
        EXPECT_EQ(4u, Install(L" /LOG=" + log));
        EXPECT_EQ(u8"Папка Tallivant: C:\\Tallivant\r\nПапка модуля: " + Utf8(folder) + u8"\r\nФайл «" + Utf8(folder) +
                      u8"\\aRvik.dll» занят: модуль загружен программой Tallivant (или справка открыта). Закройте "
                      u8"Tallivant, затем снова запустите установку. Ничего не изменено.\r\n",
                  Said(log));
        DeleteFileW(log.c_str());
        ExpectRegistered(folder);

        const std::wstring quiet = Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"QuietUninstallString");
        EXPECT_EQ(3010u, RunProgram(quiet.substr(3)));
        ExpectNothingInstalled();
        EXPECT_TRUE(Exists(folder + L"\\aRvik.dll"));
        EXPECT_FALSE(Exists(folder + L"\\aRvik.chm"));
        EXPECT_TRUE(Exists(folder + L"\\aRvik-uninstall.exe"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DEFAULTS_KEY));
    }
    Restart();
    EXPECT_FALSE(Exists(L"C:\\Программы Kelmir"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, PRODUCT_KEY L"\\Plugins"));  // the host's list stays
    EXPECT_EQ(L"SZ:" + logPath, Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_EQ(L"SZ:T-07", Value(HKEY_CURRENT_USER, PROPS_KEY, L"Terminal"));

    EXPECT_EQ(0u, RunHost("echo done\n", output)) << output;
    EXPECT_NE(std::string::npos, output.find("0 plug-in(s) started")) << output;

    // Once more, with nothing left to remove: the settings go on request.
    EXPECT_EQ(0u, RunProgram(L"\"" + uninstaller + L"\" /S /REMOVESETTINGS _?=" + folder));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, USER_KEY));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY L"\\Plugins"));
    DeleteFileW(uninstaller.c_str());
}
