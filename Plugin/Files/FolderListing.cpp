#include "Files/FolderListing.h"

#include <algorithm>

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <checks.h>
#include <owned.h>

#include "Files/FileFailures.h"
#include "Files/FileName.h"
#include "Files/NameOrder.h"
#include "Files/NameMask.h"

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
        mask = basic_text<wchar_t>(L"");
        return true;
    }
    // A root keeps its backslash: "C:\" for "C:\*.txt".
    size_t n = last - name - 1;
    if (n > 0 && name[n - 1] == L':') ++n;
    folder = basic_text<wchar_t>(name, n);
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

FolderListing::FolderListing(const wchar_t* folder, const wchar_t* mask, ListOrder order) {
    // Every name, matched here: the system's own match would take short
    // names too ("*.csv" finding "data.csvx").
    NameMask match(mask);
    size_t n = Length(folder);
    basic_text<wchar_t> pattern =
        SystemName(basic_text<wchar_t>(folder) + (n && IsSeparator(folder[n - 1]) ? L"*" : L"\\*"));
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
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
        if (!match.Matches(name, length)) continue;
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        Entry entry{names_.Size(), length + isFolder, isFolder,
                    (ULONGLONG(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                    (ULONGLONG(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime};
        entries_.Append(&entry, 1);
        names_.Append(name, length + 1);
    } while (FindNextFileW(find.get(), &found));
    DWORD error = GetLastError();
    find.Close();
    if (error != ERROR_NO_MORE_FILES) throw FileFailure("прочитать папку", error, folder);
    Sort(order);
}

// The entries first to last (indices into entries_) put in NameOrder's
// order: case ignored, by the system's order for the user's language, and
// names the same but for case by their characters' codes; NameOrder holds
// that order for every list the plug-in gives, the registry's too, so that
// a script sees one order wherever it lists names.
//
// A failure of the system to make a sort key (no memory, no locale data)
// fails the listing here, at this position, as it has no value of the
// script behind it: docs/failures.md lists the position among FileList's
// texts, and the listing stops with nothing written.
void FolderListing::SortByName(size_t* first, size_t* last) const {
    size_t count = last - first;
    if (count < 2) return;
    Buffer<const wchar_t*> names;
    const wchar_t** name = names.Room(count + 1);
    for (size_t i = 0; i < count; ++i) name[i] = names_.Data() + entries_.Data()[first[i]].at;
    Buffer<size_t> order;
    size_t* sorted = order.Room(count + 1);
    DWORD error = SortNames(name, count, sorted);
    if (error) THROW_WIN32(error);
    Buffer<size_t> indices;
    for (size_t i = 0; i < count; ++i) indices.Append(first + sorted[i], 1);
    memcpy(first, indices.Data(), count * sizeof(size_t));
}

// Another order than by name compares its own key first, and sorts by
// name only the runs where that ties: no name's key is made otherwise.
void FolderListing::Sort(ListOrder by) {
    size_t count = entries_.Size();
    if (!count) return;
    Entry* entries = entries_.Data();
    Buffer<size_t> order;
    size_t* first = order.Room(count);
    order.Grow(count);
    for (size_t i = 0; i < count; ++i) first[i] = i;
    auto value = [by, entries](size_t i) { return by == ListOrder::Newest || by == ListOrder::Oldest
                                                      ? entries[i].written : entries[i].size; };
    bool descending = by == ListOrder::Newest || by == ListOrder::Largest;
    if (by == ListOrder::Name) {
        SortByName(first, first + count);
    } else {
        std::sort(first, first + count, [&](size_t a, size_t b) {
            return descending ? value(a) > value(b) : value(a) < value(b);
        });
        for (size_t run = 0, next; run < count; run = next) {
            for (next = run + 1; next < count && value(first[next]) == value(first[run]);) ++next;
            SortByName(first + run, first + next);
        }
    }
    Buffer<Entry> sorted;
    for (size_t i = 0; i < count; ++i) sorted.Append(entries + first[i], 1);
    if (count) memcpy(entries, sorted.Data(), count * sizeof(Entry));
}

void FolderListing::Text(size_t limit, CoString& out) const {
    size_t total = 0;
    for (size_t i = 0; i < entries_.Size(); ++i) total += entries_.Data()[i].length + 2;
    if (total) total -= 2;
    wchar_t marker[40] = L"";
    size_t kept = total;
    if (total > limit) {
        wchar_t digits[24];
        _ui64tow(total, digits, 10);
        wcscat(wcscat(wcscat(marker, L"["), digits), L" байт]\r\n");
        // The whole lines that fit.
        kept = 0;
        for (size_t i = 0; i < entries_.Size(); ++i) {
            const Entry& entry = entries_.Data()[i];
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
    for (size_t i = 0; i < entries_.Size(); ++i) {
        const Entry& entry = entries_.Data()[i];
        if (p == end) break;
        if (p != text + markerLength) {
            *p++ = L'\r';
            *p++ = L'\n';
        }
        size_t length = entry.length - entry.folder;
        wmemcpy(p, names_.Data() + entry.at, length);
        p += length;
        if (entry.folder) *p++ = L'\\';
    }
    if (total > limit) wmemcpy(p, L"\r\n...", 5);
    *out.Out() = text;
}
