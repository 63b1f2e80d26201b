#include "Scratch.h"

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

Scratch::Scratch(const char* stem) {
    char temp[MAX_PATH] = "";
    if (!GetTempPathA(MAX_PATH, temp)) error = GetLastError();
    static LONG serial = 0;
    folder = std::string(temp) + stem + "_" + std::to_string(GetCurrentProcessId()) + "_" +
             std::to_string(InterlockedIncrement(&serial)) + "\\";
    if (error) return;
    // A folder of that name left by a process that ended early goes first.
    RemoveTree(folder);
    if (!CreateDirectoryA(folder.c_str(), nullptr)) error = GetLastError();
}

Scratch::~Scratch() { RemoveTree(folder); }
