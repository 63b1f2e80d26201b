// WriteDenied: denies everyone the rights of denied (setting values unless
// told) on a key below root, made when missing, while it lives (Wine, like
// Windows, enforces the access list). The key's former access list comes
// back when it goes, and a key it made is removed. ok says whether the
// denial took.
#pragma once

#include <windows.h>

#include <vector>

class WriteDenied {
public:
    explicit WriteDenied(const char* path, HKEY root = HKEY_CURRENT_USER, DWORD denied = KEY_SET_VALUE);
    ~WriteDenied();
    WriteDenied(const WriteDenied&) = delete;
    WriteDenied& operator=(const WriteDenied&) = delete;

    bool ok = false;

private:
    HKEY root_;
    const char* path_;
    HKEY key_ = nullptr;
    bool created_ = false;
    std::vector<BYTE> old_;
};
