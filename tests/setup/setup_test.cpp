// The installer as an operator runs it, in a Wine prefix made for this test
// alone (tests/setup/run-in-fresh-prefix.sh): silent installation, repair,
// a script through the stand-in host, which finds the installed plug-in in
// the registry as the real host does, and silent uninstallation; and the
// installer's failures. The host itself (its folder with tallivant.exe and
// Tallivanx.dll, and its "Root Path") is put in place here, as the product's
// own setup would.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <Version.h>

#include "common/WriteDenied.h"

namespace {

#define PRODUCT_KEY L"Software\\Kelmir\\Tallivant"
#define HOST_PLUGIN_KEY PRODUCT_KEY L"\\Plugins\\aRvik"
#define HOST_CONTROL_KEY PRODUCT_KEY L"\\Control Plugins\\aRvik"
#define USER_KEY PRODUCT_KEY L"\\Plugins\\aRvik"
#define PROPS_KEY USER_KEY L"\\Session Props"
#define PLUGIN_CLASS_KEY L"CLSID\\{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}"
#define CONTROL_CLASS_KEY L"CLSID\\{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}"
#define UNINSTALL_KEY L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\aRvik"

const wchar_t* const kHostDir = L"C:\\Tallivant";
const wchar_t* const kInstallDir = L"C:\\Программы Kelmir\\Модуль aRvik";

// The build's folders, seen from this program's: build/ARCH/tests.
std::wstring BuildFile(const std::wstring& relative) {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2 - 1);
    std::wstring folder(self);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + relative;
}

std::wstring Setup() { return BuildFile(L"..\\installer\\aRvik-" ARVIK_VERSION_TEXT "-setup.exe"); }

std::wstring TempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

// Runs a command line to its end (a minute at most: then it is ended and
// the result is 0xDEAD), standard output into output when one is named.
DWORD RunProgram(std::wstring command, const std::wstring& output = L"", const wchar_t* folder = nullptr) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = INVALID_HANDLE_VALUE;
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    if (!output.empty()) {
        out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdOutput = start.hStdError = out;
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, !output.empty(), 0, nullptr, folder, &start,
                        &process)) {
        ADD_FAILURE() << "cannot start: error " << GetLastError();
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        return 0xBAD;
    }
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0)  // a bound for a hung program only
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return code;
}

DWORD Install(const std::wstring& options = L"") { return RunProgram(L"\"" + Setup() + L"\" /S" + options); }

std::string Utf8(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

// The file's bytes; a text with a UTF-16 byte-order mark as UTF-8.
std::string Read(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string text = bytes.str();
    if (text.size() < 2 || text.compare(0, 2, "\xFF\xFE") != 0) return text;
    return Utf8(std::wstring(reinterpret_cast<const wchar_t*>(text.data() + 2), (text.size() - 2) / 2));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// "SZ:text", "DWORD:number", "type N", or "" for a value that is not there.
std::wstring Value(HKEY root, const wchar_t* key, const wchar_t* name) {
    BYTE data[2048] = {};
    DWORD type = REG_NONE, size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS) return L"";
    if (type == REG_SZ) return L"SZ:" + std::wstring(reinterpret_cast<wchar_t*>(data));
    if (type == REG_DWORD) return L"DWORD:" + std::to_wstring(*reinterpret_cast<DWORD*>(data));
    return L"type " + std::to_wstring(type);
}

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root, key, name, REG_SZ, text.c_str(),
                                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

// The host's folder and "Root Path", as the product's setup leaves them.
void PutHostInPlace() {
    CreateDirectoryW(kHostDir, nullptr);
    const std::wstring host(kHostDir);
    ASSERT_TRUE(CopyFileW(BuildFile(L"..\\host\\tallivant.exe").c_str(), (host + L"\\tallivant.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(BuildFile(L"Tallivanx.dll").c_str(), (host + L"\\Tallivanx.dll").c_str(), FALSE));
    SetValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, L"Root Path", host + L"\\");
}

std::wstring ProgramFiles() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
    return folder;
}

// Runs a host script (UTF-8) in the host's folder; gives the exit code and
// the host's output.
DWORD RunHost(const std::string& script, std::string& output) {
    const std::wstring host(kHostDir);
    std::ofstream((host + L"\\check.tvs").c_str(), std::ios::binary) << script;
    const std::wstring out = TempFile(L"setup_test_host.txt");
    DWORD code = RunProgram(L"\"" + host + L"\\tallivant.exe\" --headless check.tvs", out, kHostDir);
    output = Read(out);
    DeleteFileW(out.c_str());
    return code;
}

void ExpectRegistered(const std::wstring& folder) {
    const std::wstring module = L"SZ:" + folder + L"\\aRvik.dll";
    EXPECT_EQ(L"SZ:Kelmir Tallivant aRvik plugin", Value(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY, L""));
    EXPECT_EQ(module, Value(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY L"\\InProcServer32", L""));
    EXPECT_EQ(L"SZ:Both", Value(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY L"\\InProcServer32", L"ThreadingModel"));
    EXPECT_EQ(module, Value(HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY L"\\InProcServer32", L""));
    EXPECT_EQ(L"SZ:{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}", Value(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY, L"CLSID"));
    EXPECT_EQ(L"SZ:{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}", Value(HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY, L"CLSID"));
    EXPECT_EQ(L"SZ:Kelmir Tallivant aRvik plugin", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayName"));
    EXPECT_EQ(L"SZ:1.2.0", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion"));
    EXPECT_EQ(L"SZ:Kelmir", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"Publisher"));
    EXPECT_EQ(L"SZ:\"" + folder + L"\\uninstall.exe\"", Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"UninstallString"));
    EXPECT_TRUE(Exists(folder + L"\\aRvik.dll"));
    EXPECT_TRUE(Exists(folder + L"\\aRvik.chm"));
    EXPECT_FALSE(Exists(folder + L"\\Tallivanx.dll"));
}

void ExpectNotRegistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

}  // namespace

TEST(Setup, WithoutTheHostSaysSoAndCopiesNothing) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, L"Root Path");
    EXPECT_EQ(2u, Install());
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir"));
    ExpectNotRegistered();
    EXPECT_EQ(u8"Установка модуля aRvik 1.2.0\r\n"
              u8"Программа Kelmir Tallivant не установлена на этом компьютере: в разделе реестра "
              u8"HKEY_LOCAL_MACHINE\\Software\\Kelmir\\Tallivant нет её папки (значения «Root Path»). Установите "
              u8"Tallivant, затем снова запустите установку модуля aRvik.\r\n",
              Read(TempFile(L"aRvik-setup.log")));
}

// The module's entry fails on the host's key after it registered the first
// class: the installer says why, ends with 3 and takes back the files, the
// folders it made and the registration.
TEST(Setup, AFailingInstallationEntryIsUndone) {
    PutHostInPlace();
    const std::wstring log = TempFile(L"setup_test_failure.log");
    {
        WriteDenied denied("Software\\Kelmir\\Tallivant\\Plugins\\aRvik", HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(denied.ok);
        EXPECT_EQ(3u, Install(L" /LOG=" + log));
    }
    const std::wstring folder = ProgramFiles() + L"\\Kelmir\\Tallivant\\Plugins\\aRvik";
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Kelmir"));
    ExpectNotRegistered();
    const std::string reason = u8"Ошибка установки модуля \"" + Utf8(folder) +
                               u8"\\aRvik.dll\": Не удалось открыть раздел реестра (ошибка 5): "
                               u8"HKEY_LOCAL_MACHINE\\Software\\Kelmir\\Tallivant\\Plugins\\aRvik\r\n";
    const std::string text = Read(log);
    EXPECT_NE(std::string::npos, text.find(reason)) << text;
    EXPECT_NE(std::string::npos, text.find(u8"Установка не выполнена; изменения отменены.")) << text;
    DeleteFileW(log.c_str());
}

TEST(Setup, InstallsRepairsRunsAndUninstalls) {
    PutHostInPlace();
    const std::wstring folder(kInstallDir);
    ASSERT_EQ(0u, Install(L" /D=" + folder));
    ExpectRegistered(folder);
    EXPECT_EQ(L"SZ:C:\\Tallivant\\Logs\\Script\\DebugLog *.txt", Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PROPS_KEY));

    // The operator's settings; a repair keeps them and the folder.
    const std::wstring logPath = L"C:\\Журналы aRvik\\Сценарии *.txt";
    SetValue(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath", logPath);
    SetValue(HKEY_CURRENT_USER, PROPS_KEY, L"Terminal", L"T-07");
    ASSERT_EQ(0u, Install());
    ExpectRegistered(folder);
    EXPECT_EQ(L"SZ:" + logPath, Value(HKEY_CURRENT_USER, USER_KEY, L"Script LogPath"));
    EXPECT_EQ(L"SZ:T-07", Value(HKEY_CURRENT_USER, PROPS_KEY, L"Terminal"));

    std::string output;
    EXPECT_EQ(0u, RunHost(u8"expect Terminal = T-07\n"
                          u8"set aRvik.LogText = Запись после установки\n"
                          u8"run aRvik.LogWrite\n"
                          u8"set aRvik.Command = cmd.exe /c exit 7\n"
                          u8"set aRvik.Wait = 1\n"
                          u8"set aRvik.Hide = 1\n"
                          u8"run aRvik.Execute\n"
                          u8"expect aRvik.Result = 7\n",
                          output))
        << output;
    EXPECT_NE(std::string::npos, output.find("1 plug-in(s) started")) << output;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"C:\\Журналы aRvik\\Сценарии (*).txt", &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    EXPECT_NE(std::string::npos,
              Read(std::wstring(L"C:\\Журналы aRvik\\") + found.cFileName).find("\xC7\xE0\xEF\xE8\xF1\xFC"));  // "Запись"

    // The uninstaller runs in place (_?=) from a copy, as the one it places
    // in a temporary folder does; a help file deleted by hand is no matter.
    const std::wstring uninstaller = TempFile(L"aRvik-uninstall-copy.exe");
    ASSERT_TRUE(CopyFileW((folder + L"\\uninstall.exe").c_str(), uninstaller.c_str(), FALSE));
    ASSERT_TRUE(DeleteFileW((folder + L"\\aRvik.chm").c_str()));
    EXPECT_EQ(0u, RunProgram(L"\"" + uninstaller + L"\" /S _?=" + folder));
    ExpectNotRegistered();
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
