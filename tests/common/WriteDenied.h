// WriteDenied: a registry key that nobody may set values on while the
// object lives (Wine, like Windows, enforces the access list).
#pragma once

#include <windows.h>
#include <sddl.h>

#include <vector>

// Denies everyone the right to set values on a key under HKEY_CURRENT_USER
// (made when missing) while it lives; the key's former access list comes
// back when it goes, and a key it made is removed.
class WriteDenied {
public:
    explicit WriteDenied(const char* path) : path_(path) {
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &key_,
                            &disposition) != ERROR_SUCCESS)
            return;
        created_ = disposition == REG_CREATED_NEW_KEY;
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        old_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, old_.data(), &size) != ERROR_SUCCESS) return;
        PSECURITY_DESCRIPTOR denying = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                  &denying, nullptr))
            return;
        ok = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, denying) == ERROR_SUCCESS;
        LocalFree(denying);
    }
    ~WriteDenied() {
        if (!key_) return;
        if (ok) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, old_.data());
        RegCloseKey(key_);
        if (created_) RegDeleteTreeA(HKEY_CURRENT_USER, path_);
    }
    WriteDenied(const WriteDenied&) = delete;
    WriteDenied& operator=(const WriteDenied&) = delete;

    bool ok = false;

private:
    const char* path_;
    HKEY key_ = nullptr;
    bool created_ = false;
    std::vector<BYTE> old_;
};
