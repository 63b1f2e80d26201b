// FolderListing: the names in one folder that match a mask (NameMask), read
// in one pass (FindFirstFileExW of every name, without short names, in
// large fetches), for aRvik.FileList.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <fwbase/Co.h>
#include <str.h>

// The orders of aRvik.FileSort: by name, by last write time (newest or
// oldest first), by size (largest or smallest first; a folder's is 0).
// Names that tie are in the order by name.
enum class ListOrder { Name, Newest, Oldest, Largest, Smallest };

class FolderListing {
public:
    // Lists folder (a full name, no closing backslash but for a root) for
    // mask ("*" for all); "." and ".." are left out. Throws FileException
    // "Не удалось прочитать папку (...): " and the folder: "папка не
    // найдена", "это файл", "нет доступа", "ошибка N". A mask nothing
    // matches is an empty list.
    FolderListing(const wchar_t* folder, const wchar_t* mask, ListOrder order = ListOrder::Name);

    size_t Count() const { return entries_.Size(); }

    // The names in the listing's order (by name: as the settings page
    // sorts them, lstrcmpiW), a folder's with a closing "\", one per line with "\r\n" between. A text
    // over limit characters is cut as captured output is: "[N байт]\r\n"
    // (N the whole text's characters, a byte each in the ANSI code page),
    // the whole lines that fit the limit, and "\r\n...".
    void Text(size_t limit, CoString& out) const;

private:
    void Sort(ListOrder order);
    void SortByName(size_t* first, size_t* last) const;

    struct Entry {
        size_t at;      // in names_, zero-terminated
        size_t length;  // with the folder's mark
        bool folder;
        ULONGLONG size;
        ULONGLONG written;  // last write time
    };
    // Buffers, not the standard containers: their growth does not bring the
    // runtime's throwing helpers (and a copy of std::string) into the module.
    Buffer<wchar_t> names_;
    Buffer<Entry> entries_;
};

// Splits a name given to aRvik.FileList (absolute, not yet resolved) into
// its folder and mask: a last part holding "*" or "?" is the mask, as
// written, and the folder is what comes before it (a root with its
// backslash); else the whole name is the folder and the mask empty. False
// when a part before the last holds one (the mask has a folder part).
bool SplitMask(const wchar_t* name, basic_text<wchar_t>& folder, basic_text<wchar_t>& mask);
