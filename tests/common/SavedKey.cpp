#include "SavedKey.h"

#include <vector>

static const char* const kBackups = "Software\\Kelmir\\ArvikTests\\Saved";

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The keys between path and its first kept characters that hold nothing,
// from the bottom up.
static void RemoveEmptyParents(HKEY root, const std::string& path, size_t kept, REGSAM view) {
    for (size_t at = path.rfind('\\'); at != std::string::npos && at > kept; at = path.rfind('\\', at - 1)) {
        std::string parent = path.substr(0, at);
        HKEY key = nullptr;
        DWORD subkeys = 1, values = 1;
        if (RegOpenKeyExA(root, parent.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
        if (subkeys || values || RegDeleteKeyExA(root, parent.c_str(), view, 0) != ERROR_SUCCESS) return;
    }
}

void RemoveKey(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExA(root, path.c_str(), view, 0);
}

SavedKey::SavedKey(HKEY root, const char* path, REGSAM view) : root_(root), view_(view), path_(path) {
    static LONG serial = 0;
    backup_ = std::string(kBackups) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(InterlockedIncrement(&serial));
    // The keys above path that are there now stay.
    for (size_t at = path_.find('\\'); at != std::string::npos; at = path_.find('\\', at + 1))
        if (KeyExists(root, path_.substr(0, at), view)) kept_ = at;
    HKEY source = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &source) != ERROR_SUCCESS) return;
    HKEY copy = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy,
                        nullptr) == ERROR_SUCCESS) {
        existed_ = RegCopyTreeA(source, nullptr, copy) == ERROR_SUCCESS;
        RegCloseKey(copy);
    }
    RegCloseKey(source);
}

SavedKey::~SavedKey() {
    RemoveKey(root_, path_, view_);
    if (existed_) {
        HKEY source = nullptr, target = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
            RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &target, nullptr) ==
                ERROR_SUCCESS)
            RegCopyTreeA(source, nullptr, target);
        if (target) RegCloseKey(target);
        if (source) RegCloseKey(source);
    } else {
        RemoveEmptyParents(root_, path_, kept_, view_);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, backup_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, backup_.c_str());
    // The backups' parents go once empty; a key with subkeys refuses.
    RegDeleteKeyA(HKEY_CURRENT_USER, kBackups);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kelmir\\ArvikTests");
}

void SavedKey::Clear() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS | view_, &key) != ERROR_SUCCESS) return;
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
