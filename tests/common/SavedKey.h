// SavedKey: a registry key with everything below it, put back as it was
// when the keeper goes. Tests and the bench that change or delete the
// product's keys keep one, so a key that held settings before holds them
// again after, and a key made meanwhile is gone, with the empty keys above
// it that were not there either. The copy is kept below
// HKEY_CURRENT_USER\Software\Kelmir\ArvikTests\Saved while the keeper
// lives. view (KEY_WOW64_64KEY, KEY_WOW64_32KEY) names the registry view of
// the key and its parents; 0 is the running program's.
// KeyExists: whether a key can be opened for reading. RemoveKey: a key with
// everything below it.
#pragma once

#include <windows.h>

#include <string>

class SavedKey {
public:
    SavedKey(HKEY root, const char* path, REGSAM view = 0);
    ~SavedKey();
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

    // Removes every value of the key; its subkeys stay.
    void Clear() const;

private:
    HKEY root_;
    REGSAM view_;
    std::string path_, backup_;
    bool existed_ = false;
    size_t kept_ = 0;  // path_ up to here was there before
};

bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0);
void RemoveKey(HKEY root, const std::string& path, REGSAM view = 0);
