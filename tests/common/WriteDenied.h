// WriteDenied: a registry key that nobody may set values on (or be granted
// other rights, by mask) while the object lives (Wine, like Windows,
// enforces the access list).
#pragma once

#include <windows.h>
#include <sddl.h>

#include <stdio.h>

#include <vector>

// Denies everyone the rights of denied (setting values unless told) on a
// key below root (made when missing) while it lives; the key's former
// access list comes back when it goes, and a key it made is removed.
class WriteDenied {
public:
    explicit WriteDenied(const char* path, HKEY root = HKEY_CURRENT_USER, DWORD denied = KEY_SET_VALUE)
        : root_(root), path_(path) {
        DWORD disposition = 0;
        if (RegCreateKeyExA(root, path, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &key_, &disposition) !=
            ERROR_SUCCESS)
            return;
        created_ = disposition == REG_CREATED_NEW_KEY;
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        old_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, old_.data(), &size) != ERROR_SUCCESS) return;
        PSECURITY_DESCRIPTOR denying = nullptr;
        char sddl[64];
        snprintf(sddl, sizeof sddl, "D:(D;;0x%lx;;;WD)(A;;KA;;;WD)", static_cast<unsigned long>(denied));
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &denying, nullptr)) return;
        ok = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, denying) == ERROR_SUCCESS;
        LocalFree(denying);
    }
    ~WriteDenied() {
        if (!key_) return;
        if (ok) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, old_.data());
        RegCloseKey(key_);
        if (created_) RegDeleteTreeA(root_, path_);
    }
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
