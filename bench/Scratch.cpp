#include "Scratch.h"

#include <exceptions.h>

static const char* const kSource = "bench/Scratch";

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

Scratch::Scratch() {
    char temp[MAX_PATH] = {};
    CheckSystemCall(GetTempPathA(MAX_PATH, temp), kSource, __LINE__);
    folder_ = std::string(temp) + "aRvik-bench-" + std::to_string(GetCurrentProcessId());
    CheckSystemCall(CreateDirectoryA(folder_.c_str(), nullptr), kSource, __LINE__);
    folder_ += "\\";
}

Scratch::~Scratch() { RemoveTree(folder_.substr(0, folder_.size() - 1)); }

SavedKey::SavedKey(const char* path) : path_(path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    existed_ = true;
    std::vector<char> name(32768);
    std::vector<BYTE> data(1 << 16);
    for (DWORD index = 0;;) {
        DWORD nameLength = DWORD(name.size()), size = DWORD(data.size()), type = REG_NONE;
        LONG r = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (r == ERROR_MORE_DATA) {
            data.resize(size + 1);
            continue;
        }
        if (r != ERROR_SUCCESS) break;
        values_.push_back(
            {std::string(name.data(), nameLength), type, std::vector<BYTE>(data.data(), data.data() + size)});
        ++index;
    }
    RegCloseKey(key);
}

void SavedKey::Clear() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    std::vector<char> name(32768);
    // Deleting shifts the indices: always take the first until none is left.
    for (;;) {
        DWORD nameLength = DWORD(name.size());
        if (RegEnumValueA(key, 0, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (RegDeleteValueA(key, name.data()) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
}

SavedKey::~SavedKey() {
    if (!existed_) {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        return;
    }
    Clear();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const Value& v : values_)
        RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size()));
    RegCloseKey(key);
}
