// SavedKey: a registry key with everything below it, put back as it was
// when the keeper goes. Tests and the bench that change or delete the
// product's keys keep one, so a key that held settings before holds them
// again after, and a key made meanwhile is gone, with the empty keys above
// it that were not there either. The copy is kept below
// HKEY_CURRENT_USER\Software\Kelmir\ArvikTests\Saved while the keeper
// lives.
// KeyExists: whether a key can be opened for reading.
#pragma once

#include <windows.h>

#include <string>

class SavedKey {
public:
    SavedKey(HKEY root, const char* path);
    ~SavedKey();
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

    // Removes every value of the key; its subkeys stay.
    void Clear() const;

private:
    HKEY root_;
    std::string path_, backup_;
    bool existed_ = false;
    size_t kept_ = 0;  // path_ up to here was there before
};

bool KeyExists(HKEY root, const std::string& path);
