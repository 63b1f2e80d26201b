// SavedKey: a registry key with everything below it, put back as it was
// when the keeper goes. Tests that change or delete the product's keys keep
// one, so a key that held settings before the test holds them again after
// it, and a key the test made is gone.
#pragma once

#include <windows.h>

#include <string>

class SavedKey {
public:
    SavedKey(HKEY root, const char* path) : root_(root), path_(path) {
        static LONG serial = 0;
        backup_ = "Software\\Kelmir\\ArvikTests\\Saved\\" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(InterlockedIncrement(&serial));
        HKEY source = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &source) != ERROR_SUCCESS) return;
        HKEY copy = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy,
                            nullptr) == ERROR_SUCCESS) {
            existed_ = RegCopyTreeA(source, nullptr, copy) == ERROR_SUCCESS;
            RegCloseKey(copy);
        }
        RegCloseKey(source);
    }
    ~SavedKey() {
        RegDeleteTreeA(root_, path_.c_str());
        RegDeleteKeyA(root_, path_.c_str());
        if (existed_) {
            HKEY source = nullptr, target = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
                RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) ==
                    ERROR_SUCCESS)
                RegCopyTreeA(source, nullptr, target);
            if (target) RegCloseKey(target);
            if (source) RegCloseKey(source);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, backup_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, backup_.c_str());
        // The backups' parents go once empty; a key with subkeys refuses.
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kelmir\\ArvikTests\\Saved");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kelmir\\ArvikTests");
    }
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

private:
    HKEY root_;
    std::string path_, backup_;
    bool existed_ = false;
};
