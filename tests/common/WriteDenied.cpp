#include "WriteDenied.h"

#include <sddl.h>
#include <stdio.h>

WriteDenied::WriteDenied(const char* path, HKEY root, DWORD denied) : root_(root), path_(path) {
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

WriteDenied::~WriteDenied() {
    if (!key_) return;
    if (ok) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, old_.data());
    RegCloseKey(key_);
    if (created_) RegDeleteTreeA(root_, path_);
}
