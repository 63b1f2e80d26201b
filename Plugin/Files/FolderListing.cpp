#include "FolderListing.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include <checks.h>

#include "FileFailures.h"
#include "FileNames.h"

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool SplitMask(const wchar_t* name, basic_text<wchar_t>& folder, basic_text<wchar_t>& mask) {
    // "\\?\" starts a name; its "?" is no mask.
    const wchar_t* start = wcsncmp(name, L"\\\\?\\", 4) == 0 ? name + 4 : name;
    const wchar_t* last = start;
    for (const wchar_t* p = start; *p; ++p)
        if (IsSeparator(*p)) last = p + 1;
    for (const wchar_t* p = start; p < last; ++p)
        if (*p == L'*' || *p == L'?') return false;
    if (!wcspbrk(last, L"*?")) {
        folder = basic_text<wchar_t>(name);
        mask = basic_text<wchar_t>(L"*");
        return true;
    }
    folder = ParentFolder(name);
    mask = basic_text<wchar_t>(last);
    return true;
}

// Why folder cannot be listed, when the search gave error.
static FileException ListFailure(DWORD error, const wchar_t* folder) {
    DWORD attributes = GetFileAttributesW(SystemName(folder));
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileFailure("прочитать папку", "это файл", folder);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY)
        return FileFailure("прочитать папку", "папка не найдена", folder);
    return FileFailure("прочитать папку", error, folder);
}

FolderListing::FolderListing(const wchar_t* folder, const wchar_t* mask) {
    size_t n = Length(folder);
    basic_text<wchar_t> pattern =
        SystemName(basic_text<wchar_t>(folder) + (n && IsSeparator(folder[n - 1]) ? L"" : L"\\") + mask);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // Nothing matches in a folder that is there: an empty list.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
            DWORD attributes = GetFileAttributesW(SystemName(folder));
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
        }
        throw ListFailure(error, folder);
    }
    do {
        const wchar_t* name = found.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        size_t length = wcslen(name);
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries_.push_back({names_.size(), length + isFolder, isFolder});
        names_.insert(names_.end(), name, name + length + 1);
    } while (FindNextFileW(find, &found));
    DWORD error = GetLastError();
    FindClose(find);
    if (error != ERROR_NO_MORE_FILES) throw FileFailure("прочитать папку", error, folder);
    Sort();
}

// lstrcmpiW's order (CompareStringW of the thread's locale, case ignored),
// by the sort keys that the system documents to compare as it does: one
// key per name instead of one comparison by the system per pair.
void FolderListing::Sort() {
    LCID locale = GetThreadLocale();
    std::vector<BYTE> keys;
    std::vector<size_t> keyAt(entries_.size() + 1);
    BYTE key[2048];
    for (size_t i = 0; i < entries_.size(); ++i) {
        const wchar_t* name = names_.data() + entries_[i].at;
        keyAt[i] = keys.size();
        int size = LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, name, -1, reinterpret_cast<wchar_t*>(key),
                                sizeof key);
        if (size > 0) {
            keys.insert(keys.end(), key, key + size);
            continue;
        }
        size = LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, name, -1, nullptr, 0);
        if (size <= 0) THROW_WIN32(GetLastError());
        keys.resize(keyAt[i] + size);
        LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, name, -1, reinterpret_cast<wchar_t*>(&keys[keyAt[i]]),
                     size);
    }
    keyAt[entries_.size()] = keys.size();
    std::vector<size_t> order(entries_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    const BYTE* k = keys.data();
    const wchar_t* names = names_.data();
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        size_t la = keyAt[a + 1] - keyAt[a], lb = keyAt[b + 1] - keyAt[b];
        int c = memcmp(k + keyAt[a], k + keyAt[b], la < lb ? la : lb);
        if (c == 0 && la != lb) return la < lb;
        return c != 0 ? c < 0 : wcscmp(names + entries_[a].at, names + entries_[b].at) < 0;
    });
    std::vector<Entry> sorted;
    sorted.reserve(order.size());
    for (size_t i : order) sorted.push_back(entries_[i]);
    entries_.swap(sorted);
}

void FolderListing::Text(size_t limit, CoString& out) const {
    size_t total = 0;
    for (const Entry& entry : entries_) total += entry.length + 2;
    if (total) total -= 2;
    wchar_t marker[40] = L"";
    size_t kept = total;
    if (total > limit) {
        wchar_t digits[24];
        _ui64tow(total, digits, 10);
        wcscat(wcscat(wcscat(marker, L"["), digits), L" байт]\r\n");
        // The whole lines that fit.
        kept = 0;
        for (const Entry& entry : entries_) {
            size_t next = kept ? kept + 2 + entry.length : entry.length;
            if (next > limit) break;
            kept = next;
        }
    }
    size_t markerLength = wcslen(marker);
    size_t size = markerLength + kept + (total > limit ? 5 : 0);
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(size));
    if (!text) throw KLAppException("Текст слишком длинный");
    wchar_t* p = text;
    wmemcpy(p, marker, markerLength);
    p += markerLength;
    wchar_t* end = p + kept;
    for (const Entry& entry : entries_) {
        if (p == end) break;
        if (p != text + markerLength) {
            *p++ = L'\r';
            *p++ = L'\n';
        }
        size_t length = entry.length - entry.folder;
        wmemcpy(p, names_.data() + entry.at, length);
        p += length;
        if (entry.folder) *p++ = L'\\';
    }
    if (total > limit) wmemcpy(p, L"\r\n...", 5);
    *out.Out() = text;
}
