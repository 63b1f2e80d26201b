#include "ProcessFigures.h"

UINT_PTR NextHandleSlot() {
    const int count = 256;
    HANDLE probes[count];
    for (HANDLE& probe : probes) probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    UINT_PTR value = 0;
    for (HANDLE probe : probes) {
        if (reinterpret_cast<UINT_PTR>(probe) > value) value = reinterpret_cast<UINT_PTR>(probe);
        if (probe) CloseHandle(probe);
    }
    return value;
}

DWORD HandleCount() {
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return 0;
    return count;
}

bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

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
