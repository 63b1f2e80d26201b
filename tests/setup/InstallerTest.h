// What the installers' tests share (setup_test, msi_test, signed_test):
// each runs in a Wine prefix made anew for it
// (tests/setup/run-in-fresh-prefix.sh), puts the stand-in host in place as
// the product's own setup would, runs installers and the host as an
// operator does, and reads the registry and files they leave.
#pragma once

#include <windows.h>

#include <string>

#define PRODUCT_KEY L"Software\\Kelmir\\Tallivant"
#define HOST_PLUGIN_KEY PRODUCT_KEY L"\\Plugins\\aRvik"
#define HOST_CONTROL_KEY PRODUCT_KEY L"\\Control Plugins\\aRvik"
#define DEFAULTS_KEY HOST_PLUGIN_KEY L"\\Defaults"
#define USER_KEY PRODUCT_KEY L"\\Plugins\\aRvik"
#define PROPS_KEY USER_KEY L"\\Session Props"
#define PLUGIN_CLASS_KEY L"CLSID\\{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}"
#define CONTROL_CLASS_KEY L"CLSID\\{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}"
#define UNINSTALL_ROOT L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
#define UNINSTALL_KEY UNINSTALL_ROOT L"\\aRvik"

extern const wchar_t* const kHostDir;  // C:\Tallivant

// A file of the build, named from the test's folder (build/ARCH/tests).
std::wstring BuildFile(const std::wstring& relative);
std::wstring TempFile(const wchar_t* name);
std::wstring ProgramFiles();

// Runs a command line to its end (three minutes at most: then it is ended
// and the result is 0xDEAD), standard output into output when one is named.
DWORD RunProgram(std::wstring command, const std::wstring& output = L"", const wchar_t* folder = nullptr);
// msiexec with the arguments, silent, its log into log.
DWORD Msiexec(const std::wstring& arguments, const std::wstring& log);
// What Wine does at a restart: the renames and removals scheduled for the
// next restart (PendingFileRenameOperations) happen.
void Restart();

std::string Utf8(const std::wstring& wide);
// The file's bytes; a text with a UTF-16 byte-order mark as UTF-8.
std::string Read(const std::wstring& path);
// A text file as UTF-8: UTF-16 with a byte-order mark, else the ANSI code
// page (the engine's log under Wine).
std::string ReadText(const std::wstring& path);

bool Exists(const std::wstring& path);
bool KeyExists(HKEY root, const wchar_t* path);
// "SZ:text", "EXPAND_SZ:text" (as stored), "DWORD:number", "type N", or ""
// for a value that is not there.
std::wstring Value(HKEY root, const wchar_t* key, const wchar_t* name);
// A value as stored: its type and its bytes; REG_NONE and none when it is
// not there.
struct StoredValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const StoredValue& other) const { return type == other.type && bytes == other.bytes; }
};
StoredValue Stored(HKEY root, const wchar_t* key, const wchar_t* name);
// The bytes of a string value holding text, its terminating null with it.
StoredValue TextValue(DWORD type, const std::wstring& text);
StoredValue NumberValue(DWORD number);
// Sets a value below HKEY_LOCAL_MACHINE with reg.exe, as an administrator
// does, in the view of the packages' registry entries: type "REG_DWORD",
// "REG_EXPAND_SZ", ...; data as reg.exe takes it.
void RegAdd(const std::wstring& key, const std::wstring& name, const wchar_t* type, const std::wstring& data);
void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text);
// The key with all its subkeys, a line for each key and each value ("key",
// "key|name|SZ:text"), in the order the registry lists them; "" when the
// key is missing.
std::wstring Dump(HKEY root, const std::wstring& key);
// How many programs the list of installed programs shows as this plug-in.
int InstalledEntries();

// The host's folder and "Root Path", as the product's setup leaves them.
void PutHostInPlace();
// Runs a host script (UTF-8) in the host's folder; gives the exit code and
// the host's output.
DWORD RunHost(const std::string& script, std::string& output);
// A script's lines that write text (UTF-8) into the script log and run a
// program with aRvik.Execute, waiting for its exit code, 7.
std::string LogAndExecute(const std::string& text);

// The two classes and the host's two entries are gone.
void ExpectNotRegistered();
// The PE file's header holds its checksum, as Windows computes it.
void ExpectRightChecksum(const std::wstring& path);

// A module loaded as a running host holds it: its file can then be
// neither written nor deleted.
class HeldModule {
public:
    explicit HeldModule(const std::wstring& path);
    ~HeldModule();
    HeldModule(const HeldModule&) = delete;
    HeldModule& operator=(const HeldModule&) = delete;
    bool ok() const { return module_ != nullptr; }

private:
    HMODULE module_;
};
