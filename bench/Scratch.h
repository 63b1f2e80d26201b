// What the benchmark borrows from the machine, given back as it was found.
//
// Scratch: a folder of its own below %TEMP%, removed with everything in it.
// SavedKey: a snapshot of one registry key's values under
// HKEY_CURRENT_USER taken at construction; Clear() empties the key for the
// benchmark's own values; destruction puts the snapshot back, or deletes
// the key with its subkeys when it did not exist.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    // Full name of a file in the folder.
    std::string operator+(const char* name) const { return folder_ + name; }

private:
    std::string folder_;  // ends in a backslash
};

class SavedKey {
public:
    explicit SavedKey(const char* path);
    ~SavedKey();
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

    // Removes every value of the key (the subkeys stay).
    void Clear() const;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::string path_;
    bool existed_ = false;
    std::vector<Value> values_;
};

// Deletes a folder with everything below it.
void RemoveTree(const std::string& folder);
