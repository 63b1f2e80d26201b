#include "Files/FileName.h"

#include <windows.h>

#include <vector>

#include <SaveFile.h>
#include <ShownText.h>
#include <WidePath.h>
#include <fwbase/Path.h>

#include "Files/FileFailures.h"
#include "Files/NameKinds.h"

using TAXDK::Standard::AnsiWide;
using TAXDK::Standard::ExpEnv;
using TAXDK::Standard::FullPath;
using TAXDK::Standard::IsAbsolutePath;
using TAXDK::Standard::ResolveDataPath;
using TAXDK::Standard::ShownText;

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

basic_text<wchar_t> AbsoluteFileName(const wchar_t* given) {
    basic_text<wchar_t> expanded = ExpEnv(given);
    if (IsAbsolutePath(expanded)) return expanded;
    // The data folder's name is the host's, in the ANSI code page.
    basic_text<wchar_t> data = AnsiWide(MakePathSpec(ResolveDataPath("")));
    return ExpEnv(data + given);
}

FileName FileName::Resolved(const wchar_t* given) {
    if (!NotEmpty(given)) return FileName();
    FileName name;
    // The usual name, absolute without a reference, needs no copy before
    // its full form.
    name.full_ = FullPath(!wcschr(given, L'%') && IsAbsolutePath(given) ? given : AbsoluteFileName(given).c_str());
    name.MakeSystem();
    return name;
}

FileName FileName::Checked(const wchar_t* given, const char* property, const char* action) {
    FileName name = Resolved(given);
    if (const char* reason = name.Empty() ? nullptr : RefusedNameReason(name.Full()))
        throw NameRefusal(action, reason, property, ShownText(given));
    return name;
}

// Whether full is too long for the plain form: CreateDirectoryW takes 248
// characters at most, the other calls 259.
static bool NeedsLongForm(const wchar_t* full) {
    return Length(full) >= 248 && wcsncmp(full, L"\\\\?\\", 4) != 0;
}

void FileName::MakeSystem() {
    if (NeedsLongForm(full_)) system_ = SystemName(full_);
}

string FileName::Shown() const { return AnsiName(Full()); }

bool FileName::PartTooLong() const {
    size_t part = 0;
    for (const wchar_t* p = Full(); *p; ++p)
        if (IsSeparator(*p)) part = 0;
        else if (++part > 255) return true;
    return false;
}

bool FileName::TooLong() const { return Length(System()) > 32767; }

basic_text<wchar_t> SystemName(const wchar_t* full) {
    if (!NeedsLongForm(full)) return basic_text<wchar_t>(full);
    if (IsSeparator(full[0]) && IsSeparator(full[1])) return basic_text<wchar_t>(L"\\\\?\\UNC\\") + (full + 2);
    return basic_text<wchar_t>(L"\\\\?\\") + full;
}

string AnsiName(const wchar_t* name) { return ShownText(name); }

basic_text<wchar_t> ParentFolder(const wchar_t* full) {
    size_t n = Length(full);
    while (n > 0 && !IsSeparator(full[n - 1])) --n;
    if (n == 0) return basic_text<wchar_t>(L"");
    // "C:\" keeps its backslash, "C:\a\" loses it.
    if (n == 3 && full[1] == L':') return basic_text<wchar_t>(full, 3);
    return basic_text<wchar_t>(full, n - 1);
}

static bool IsFolder(const wchar_t* name) {
    DWORD attributes = GetFileAttributesW(SystemName(name));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The usual case, a folder that is there, costs one look; otherwise each
// missing level is made from the top that is there.
static bool MakeFolder(const basic_text<wchar_t>& folder) {
    if (folder.length() == 0) return false;
    if (IsFolder(folder)) return true;
    // Up to the first level that is there, then down making each: a loop,
    // not a call per level, so that thousands of missing levels cannot
    // run the thread out of stack.
    std::vector<basic_text<wchar_t>> missing{folder};
    for (;;) {
        basic_text<wchar_t> parent = ParentFolder(missing.back());
        if (parent.length() == 0 || parent.length() >= missing.back().length()) return false;
        if (IsFolder(parent)) break;
        missing.push_back(parent);
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level)
        if (!CreateDirectoryW(SystemName(*level), nullptr) && !IsFolder(*level)) return false;
    return true;
}

bool MakeParentFolders(const wchar_t* file) { return MakeFolder(ParentFolder(file)); }

bool SameOrBelow(const wchar_t* inner, const wchar_t* folder) {
    size_t n = Length(folder);
    while (n > 0 && IsSeparator(folder[n - 1])) --n;
    if (Length(inner) < n || CompareStringOrdinal(inner, int(n), folder, int(n), TRUE) != CSTR_EQUAL) return false;
    return inner[n] == 0 || IsSeparator(inner[n]);
}
