#include "setup/InstallerTest.h"

#include <imagehlp.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

const wchar_t* const kHostDir = L"C:\\Tallivant";

std::wstring BuildFile(const std::wstring& relative) {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2 - 1);
    std::wstring folder(self);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + relative;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

std::wstring ProgramFiles() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
    return folder;
}

DWORD RunProgram(std::wstring command, const std::wstring& output, const wchar_t* folder) {
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

DWORD Msiexec(const std::wstring& arguments, const std::wstring& log) {
    return RunProgram(L"msiexec.exe " + arguments + L" /qn /l*v \"" + log + L"\"");
}

void Restart() { EXPECT_EQ(0u, RunProgram(L"wineboot.exe -r")); }

std::string Utf8(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

static bool HasUtf16Mark(const std::string& text) { return text.size() >= 2 && text.compare(0, 2, "\xFF\xFE") == 0; }

static std::string Utf16ToUtf8(const std::string& text) {
    return Utf8(std::wstring(reinterpret_cast<const wchar_t*>(text.data() + 2), (text.size() - 2) / 2));
}

static std::string Bytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Read(const std::wstring& path) {
    const std::string text = Bytes(path);
    return HasUtf16Mark(text) ? Utf16ToUtf8(text) : text;
}

std::string ReadText(const std::wstring& path) {
    const std::string text = Bytes(path);
    if (HasUtf16Mark(text)) return Utf16ToUtf8(text);
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return Utf8(wide);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

static std::wstring Form(DWORD type, const BYTE* data) {
    if (type == REG_SZ) return L"SZ:" + std::wstring(reinterpret_cast<const wchar_t*>(data));
    if (type == REG_EXPAND_SZ) return L"EXPAND_SZ:" + std::wstring(reinterpret_cast<const wchar_t*>(data));
    if (type == REG_DWORD) return L"DWORD:" + std::to_wstring(*reinterpret_cast<const DWORD*>(data));
    return L"type " + std::to_wstring(type);
}

std::wstring Value(HKEY root, const wchar_t* key, const wchar_t* name) {
    BYTE data[2048] = {};
    DWORD type = REG_NONE, size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS) return L"";
    return Form(type, data);
}

StoredValue Stored(HKEY root, const wchar_t* key, const wchar_t* name) {
    StoredValue stored;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return stored;
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(opened, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string bytes(size, '\0');
        if (RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) ==
            ERROR_SUCCESS) {
            stored.type = type;
            stored.bytes = bytes.substr(0, size);
        }
    }
    RegCloseKey(opened);
    return stored;
}

StoredValue TextValue(DWORD type, const std::wstring& text) {
    StoredValue value;
    value.type = type;
    value.bytes.assign(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    return value;
}

StoredValue NumberValue(DWORD number) {
    StoredValue value;
    value.type = REG_DWORD;
    value.bytes.assign(reinterpret_cast<const char*>(&number), sizeof number);
    return value;
}

void RegAdd(const std::wstring& key, const std::wstring& name, const wchar_t* type, const std::wstring& data) {
    const wchar_t* view = sizeof(void*) == 4 ? L" /reg:32" : L" /reg:64";
    EXPECT_EQ(0u, RunProgram(L"reg.exe add \"HKLM\\" + key + L"\" /v \"" + name + L"\" /t " + type + L" /d \"" + data +
                             L"\" /f" + view, TempFile(L"installer_test_reg.txt")))
        << Utf8(name);
    DeleteFileW(TempFile(L"installer_test_reg.txt").c_str());
}

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root, key, name, REG_SZ, text.c_str(),
                                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

std::wstring Dump(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"";
    std::wstring all = path + L"\n";
    wchar_t name[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256, type = REG_NONE, size = sizeof data - sizeof(wchar_t);
        std::fill(data, data + sizeof data, 0);
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        all += path + L"|" + name + L"|" + Form(type, data) + L"\n";
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& subkey : subkeys) all += Dump(root, path + L"\\" + subkey);
    return all;
}

int InstalledEntries() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_ROOT, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    int count = 0;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::wstring entry = std::wstring(UNINSTALL_ROOT L"\\") + name;
        if (Value(HKEY_LOCAL_MACHINE, entry.c_str(), L"DisplayName") == L"SZ:Kelmir Tallivant aRvik plugin") ++count;
    }
    RegCloseKey(key);
    return count;
}

void PutHostInPlace() {
    CreateDirectoryW(kHostDir, nullptr);
    const std::wstring host(kHostDir);
    ASSERT_TRUE(CopyFileW(BuildFile(L"..\\host\\tallivant.exe").c_str(), (host + L"\\tallivant.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(BuildFile(L"Tallivanx.dll").c_str(), (host + L"\\Tallivanx.dll").c_str(), FALSE));
    SetValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, L"Root Path", host + L"\\");
}

DWORD RunHost(const std::string& script, std::string& output) {
    const std::wstring host(kHostDir);
    std::ofstream((host + L"\\check.tvs").c_str(), std::ios::binary) << script;
    const std::wstring out = TempFile(L"installer_test_host.txt");
    DWORD code = RunProgram(L"\"" + host + L"\\tallivant.exe\" --headless check.tvs", out, kHostDir);
    output = Read(out);
    DeleteFileW(out.c_str());
    return code;
}

std::string LogAndExecute(const std::string& text) {
    return "set aRvik.LogText = " + text +
           "\n"
           "run aRvik.LogWrite\n"
           "set aRvik.Command = cmd.exe /c exit 7\n"
           "set aRvik.Wait = 1\n"
           "set aRvik.Hide = 1\n"
           "run aRvik.Execute\n"
           "expect aRvik.Result = 7\n";
}

void ExpectNotRegistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY));
}

void ExpectRightChecksum(const std::wstring& path) {
    DWORD stored = 0xBAD, computed = 0xDEAD;
    ASSERT_EQ(static_cast<DWORD>(CHECKSUM_SUCCESS), MapFileAndCheckSumW(path.c_str(), &stored, &computed)) << Utf8(path);
    EXPECT_NE(0u, computed) << Utf8(path);
    EXPECT_EQ(computed, stored) << Utf8(path);
}

HeldModule::HeldModule(const std::wstring& path) {
    SetDllDirectoryW(kHostDir);  // the module imports the host's library
    module_ = LoadLibraryW(path.c_str());
    SetDllDirectoryW(nullptr);
}

HeldModule::~HeldModule() {
    if (module_) FreeLibrary(module_);
}
