#include "FuzzFixtures.h"

#include <shlobj.h>
#include <string.h>

#include <RegistryNames.h>

std::wstring DataFolder() {
    wchar_t folder[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    std::wstring data = folder;
    if (!data.empty() && data.back() != L'\\') data += L'\\';
    return data + L"Kelmir\\Tallivant\\";
}

static std::wstring Long(const std::wstring& full) {
    return full.compare(0, 4, L"\\\\?\\") == 0 ? full : L"\\\\?\\" + full;
}

void RemoveTreeW(const std::wstring& path) {
    std::wstring base = Long(path);
    while (base.size() > 7 && base.back() == L'\\') base.pop_back();
    DWORD attributes = GetFileAttributesW(base.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(base.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((base + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            RemoveTreeW(base + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(base.c_str());
}

namespace {

void WriteBytes(const std::wstring& name, const void* bytes, size_t size) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (size) WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

void WriteText(const std::wstring& name, const std::string& bytes) { WriteBytes(name, bytes.data(), bytes.size()); }

// The folders above place, made, with a file in the way of one removed.
void MakeParents(const std::wstring& root, const std::wstring& place) {
    for (size_t at = place.find(L'\\'); at != std::wstring::npos; at = place.find(L'\\', at + 1)) {
        std::wstring folder = root + place.substr(0, at);
        DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (attributes != INVALID_FILE_ATTRIBUTES) RemoveTreeW(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
    }
}

const std::string& Binary() {
    static const std::string bytes = [] {
        std::string b(64 << 10, '\0');
        FuzzRandom random(0xB1A7);
        for (char& c : b) c = static_cast<char>(random.Next());
        b[0] = 1;  // no mark
        return b;
    }();
    return bytes;
}

}  // namespace

void PrepareFile(const std::wstring& scratch, const FilePrep& prep) {
    std::wstring root = Long(scratch);
    std::wstring path = root + prep.place;
    RemoveTreeW(path);
    if (prep.state == FileState::Missing) return;
    MakeParents(root, prep.place);
    switch (prep.state) {
    case FileState::Missing:
        return;
    case FileState::Empty:
        return WriteText(path, "");
    case FileState::Ansi:
    case FileState::ReadOnly:
        WriteText(path, "\xF1\xF2\xF0\xEE\xEA\xE0\r\nline 2");
        if (prep.state == FileState::ReadOnly) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        return;
    case FileState::Utf8Bom:
        return WriteText(path, "\xEF\xBB\xBF\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xBA\xD0\xB0");
    case FileState::Utf16:
        return WriteText(path, std::string("\xFF\xFE\x41\x04\x42\x04", 6));
    case FileState::Utf16BigEndian:
        return WriteText(path, std::string("\xFE\xFF\x04\x41\x04\x42", 6));
    case FileState::Utf16Odd:
        return WriteText(path, std::string("\xFF\xFE\x41\x00\x42", 5));
    case FileState::BadUtf8:
        return WriteText(path, "\xC0\xAF\xED\xA0\x80 x \xF8\x88\x80\x80\x80");
    case FileState::Binary:
        return WriteText(path, Binary());
    case FileState::Large: {
        static const std::string large(8 << 20, '\xC6');
        return WriteText(path, large);
    }
    case FileState::OverLimit: {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER size;
        size.QuadPart = (64ll << 20) + 1;
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        return;
    }
    case FileState::Folder:
        CreateDirectoryW(path.c_str(), nullptr);
        return;
    case FileState::FullFolder:
        CreateDirectoryW(path.c_str(), nullptr);
        WriteText(path + L"\\one.txt", "1");
        WriteText(path + L"\\Два.txt", "2");
        WriteText(path + L"\\\xD83D\xDE00.txt", "3");
        // Its short name ends in ".TXT": a mask "*.txt" must not list it.
        WriteText(path + L"\\notes.txtx", "4");
        CreateDirectoryW((path + L"\\inner").c_str(), nullptr);
        return;
    }
}

static int appliedPattern = -1, appliedMax = -1;

void ForgetLogSettings() { appliedPattern = appliedMax = -1; }

void ApplyLogSettings(const LogSettings& settings, const FuzzContext& context) {
    if (settings.pattern < 0) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"" PLUGIN_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return;
    if (settings.pattern != appliedPattern) {
        std::wstring text = LogPatterns()[settings.pattern].text;
        size_t at = text.find(L"{scratch}");
        if (at != std::wstring::npos) text.replace(at, 9, context.scratch);
        at = text.find(L"{long}");
        if (at != std::wstring::npos) text.replace(at, 6, std::wstring(300, L'l'));
        RegSetValueExW(key, L"" SCRIPT_LOG_PATH, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        appliedPattern = settings.pattern;
    }
    if (settings.maxText != appliedMax) {
        const MaxLogText& max = MaxLogTexts()[settings.maxText];
        if (max.type == REG_NONE) RegDeleteValueA(key, MAX_LOG_TEXT);
        else if (max.type == REG_DWORD)
            RegSetValueExA(key, MAX_LOG_TEXT, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&max.number),
                           sizeof max.number);
        else
            RegSetValueExA(key, MAX_LOG_TEXT, 0, REG_SZ, reinterpret_cast<const BYTE*>(max.text),
                           static_cast<DWORD>(strlen(max.text) + 1));
        appliedMax = settings.maxText;
    }
    RegCloseKey(key);
}

OwnChild StartChild(const FuzzContext& context, unsigned sleep) {
    std::wstring line = L"\"" + context.exeFolder + L"commands_child.exe\" -s " + std::to_wstring(sleep) + L" 0";
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    OwnChild child;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started))
        return child;
    CloseHandle(started.hThread);
    child.process = started.hProcess;
    child.id = started.dwProcessId;
    return child;
}
