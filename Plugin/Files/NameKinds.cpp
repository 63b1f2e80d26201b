#include "Files/NameKinds.h"

#include <windows.h>

#include <refs.h>
#include <str.h>

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
static bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
static wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }

// Whether the n characters at text are word (upper case ASCII), case ignored.
static bool Is(const wchar_t* text, size_t n, const wchar_t* word) {
    if (wcslen(word) != n) return false;
    // A shorter text stops at its terminator, which no word holds.
    for (size_t i = 0; i < n; ++i)
        if (AsciiUpper(text[i]) != word[i]) return false;
    return true;
}

// The length of the prefix "\\?\", "\\.\" or "\??\" that name begins
// with; 0 for none. dot tells which.
static size_t DevicePrefix(const wchar_t* name, bool& dot) {
    dot = IsSeparator(name[0]) && IsSeparator(name[1]) && name[2] == L'.' && IsSeparator(name[3]);
    if (dot) return 4;
    if (IsSeparator(name[0]) && IsSeparator(name[1]) && name[2] == L'?' && IsSeparator(name[3])) return 4;
    if (name[0] == L'\\' && name[1] == L'?' && name[2] == L'?' && name[3] == L'\\') return 4;
    return 0;
}

// Whether part, the last part of a name, is a device's name as the system
// takes it: up to a dot or a colon, blanks before them dropped.
static bool IsDevicePart(const wchar_t* part) {
    size_t n = 0;
    while (part[n] && part[n] != L'.' && part[n] != L':') ++n;
    while (n > 0 && part[n - 1] == L' ') --n;
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : devices)
        if (Is(part, n, device)) return true;
    if (n != 4 || !(Is(part, 3, L"COM") || Is(part, 3, L"LPT"))) return false;
    wchar_t digit = part[3];
    return (digit >= L'1' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

// Whether a share's name, "HOST\SHARE\..." after its "\\", addresses a
// host's named pipes or mailslots ("\\HOST\pipe\NAME"), which a read
// waits on as on any other device.
static bool PipeShare(const wchar_t* host) {
    while (*host && !IsSeparator(*host)) ++host;
    if (!*host) return false;
    const wchar_t* share = host + 1;
    size_t n = 0;
    while (share[n] && !IsSeparator(share[n])) ++n;
    return Is(share, n, L"PIPE") || Is(share, n, L"MAILSLOT");
}

bool NamesDevice(const wchar_t* full) {
    if (!NotEmpty(full)) return false;
    bool dot = false;
    size_t prefix = DevicePrefix(full, dot);
    if (dot) return true;
    if (!prefix && IsSeparator(full[0]) && IsSeparator(full[1]) && PipeShare(full + 2)) return true;
    if (prefix) {
        const wchar_t* rest = full + prefix;
        bool drive = IsLetter(rest[0]) && rest[1] == L':' && IsSeparator(rest[2]);
        bool share = Is(rest, 3, L"UNC") && IsSeparator(rest[3]);
        const wchar_t* close = wcschr(rest, L'}');
        bool volume = Is(rest, 6, L"VOLUME") && rest[6] == L'{' && close && IsSeparator(close[1]);
        if (!drive && !share && !volume) return true;
        if (share && PipeShare(rest + 4)) return true;
    }
    const wchar_t* last = full;
    for (const wchar_t* p = full; *p; ++p)
        if (IsSeparator(*p)) last = p + 1;
    return IsDevicePart(last);
}

bool NamesStream(const wchar_t* full) {
    if (!NotEmpty(full)) return false;
    bool dot = false;
    const wchar_t* rest = full + DevicePrefix(full, dot);
    if (IsLetter(rest[0]) && rest[1] == L':') rest += 2;
    return wcschr(rest, L':') != nullptr;
}

const char* RefusedNameReason(const wchar_t* full) {
    if (NamesDevice(full)) return "это устройство";
    if (NamesStream(full)) return "имя с потоком";
    return nullptr;
}

const char* RefusedNameReason(const char* full) {
    int n = MultiByteToWideChar(CP_ACP, 0, full, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    aptr<wchar_t> wide(new wchar_t[n]);
    MultiByteToWideChar(CP_ACP, 0, full, -1, wide.get(), n);
    return RefusedNameReason(wide.get());
}
