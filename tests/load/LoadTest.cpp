#include "LoadTest.h"

SavedValue::SavedValue(const char* key, const char* name)
    : key_(key), name_(name), keyExisted_(false), valueExisted_(false), type_(REG_NONE) {
    HKEY open = nullptr;
    keyExisted_ = RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &open) == ERROR_SUCCESS;
    if (!keyExisted_) return;
    DWORD size = 0;
    if (RegQueryValueExA(open, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size + 1);
        valueExisted_ = RegQueryValueExA(open, name, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        data_.resize(size);
    }
    RegCloseKey(open);
}

SavedValue::~SavedValue() {
    if (!keyExisted_) {
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    } else if (valueExisted_) {
        RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type_, data_.data(),
                        static_cast<DWORD>(data_.size()));
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
    }
}

UINT_PTR NextHandleValue() {
    HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    UINT_PTR value = reinterpret_cast<UINT_PTR>(probe);
    if (probe) CloseHandle(probe);
    return value;
}

SIZE_T CommittedPrivate() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const BYTE* at = static_cast<const BYTE*>(system.lpMinimumApplicationAddress);
    const BYTE* end = static_cast<const BYTE*>(system.lpMaximumApplicationAddress);
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    while (at < end && VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
    }
    return total;
}
