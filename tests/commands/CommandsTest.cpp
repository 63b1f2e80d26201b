#include "CommandsTest.h"

#include <vector>

static ::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

void RemoveTree(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() == '\\') base.pop_back();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = base + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(base.c_str());
}

std::string ReadWhole(const std::string& name) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(file, buf, sizeof buf, &n, nullptr) && n > 0) content.append(buf, n);
    CloseHandle(file);
    return content;
}

void WriteWhole(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
    DWORD n = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(file);
}

bool Exists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ExeFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
    return w;
}

std::string Narrow(const wchar_t* text) {
    if (!text) return "<null>";
    int length = static_cast<int>(wcslen(text));
    int n = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &s[0], n, nullptr, nullptr);
    return s;
}

Scratch::Scratch() {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    static LONG serial = 0;
    wsprintfA(name, "arvik_commands_%lu_%ld\\", GetCurrentProcessId(), InterlockedIncrement(&serial));
    folder = std::string(temp) + name;
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
}

Scratch::~Scratch() { RemoveTree(folder); }
