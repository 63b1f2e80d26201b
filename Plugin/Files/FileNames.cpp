#include "Files/FileNames.h"

#include <windows.h>

#include <SaveFile.h>
#include <ShownText.h>
#include <TextCodec.h>
#include <exceptions.h>
#include <fwbase/Co.h>
#include <refs.h>

#include "Files/FileFailures.h"
#include "Files/NameKinds.h"

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// As IsAbsolutePath has it: "X:\...", UNC names and "\dir" are absolute.
static bool IsAbsolute(const wchar_t* path) {
    if (!NotEmpty(path)) return false;
    if (IsSeparator(path[0])) return true;
    wchar_t c = path[0];
    bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    return letter && path[1] == L':' && IsSeparator(path[2]);
}

// %NAME% references expanded as ExpEnv expands them: one not set, and a
// lone "%", stay as they stand.
static basic_text<wchar_t> Expanded(const wchar_t* text) {
    if (!wcschr(text, L'%')) return basic_text<wchar_t>(text);
    DWORD n = ExpandEnvironmentStringsW(text, nullptr, 0);
    if (n == 0) return basic_text<wchar_t>(text);
    aptr<wchar_t> buf(new wchar_t[n]);
    DWORD got = ExpandEnvironmentStringsW(text, buf.get(), n);
    return got > 0 && got <= n ? basic_text<wchar_t>(buf.get()) : basic_text<wchar_t>(text);
}

static basic_text<wchar_t> Widened(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return basic_text<wchar_t>(L"");
    aptr<wchar_t> buf(new wchar_t[n]);
    MultiByteToWideChar(CP_ACP, 0, text, -1, buf.get(), n);
    return basic_text<wchar_t>(buf.get());
}

basic_text<wchar_t> FullFileName(const wchar_t* path) {
    wchar_t small[MAX_PATH];
    DWORD n = GetFullPathNameW(path, MAX_PATH, small, nullptr);
    if (n == 0) return basic_text<wchar_t>(path);
    if (n < MAX_PATH) return basic_text<wchar_t>(small, n);
    aptr<wchar_t> buf(new wchar_t[n]);
    DWORD got = GetFullPathNameW(path, n, buf.get(), nullptr);
    return got > 0 && got < n ? basic_text<wchar_t>(buf.get(), got) : basic_text<wchar_t>(path);
}

basic_text<wchar_t> AbsoluteFileName(const wchar_t* given) {
    basic_text<wchar_t> expanded = Expanded(given);
    if (IsAbsolute(expanded)) return expanded;
    basic_text<wchar_t> data = Widened(TAXDK::Standard::ResolveDataPath(""));
    size_t n = data.length();
    while (n > 0 && IsSeparator(data[n - 1])) --n;
    return Expanded(basic_text<wchar_t>(data.c_str(), n) + L"\\" + given);
}

TakenFileName CheckFileName(CommandArguments& arguments, const char* property, const char* action) {
    TakenFileName name{property, arguments.WideView(property, CommandArguments::Stays), basic_text<wchar_t>(L"")};
    if (!NotEmpty(name.given)) return name;
    name.full = FullFileName(AbsoluteFileName(name.given));
    if (const char* reason = RefusedNameReason(name.full))
        throw NameRefusal(action, reason, property, TAXDK::Standard::ShownText(name.given));
    return name;
}

void WriteBack(CommandArguments& arguments, const TakenFileName& name) {
    // A name given in full is not written again: given is still valid.
    if (name.full.empty() || wcscmp(name.full, name.given) == 0) return;
    CoString back(name.full.c_str());
    arguments.Session().SetWideString(name.property, back);
}

basic_text<wchar_t> TakeFileName(CommandArguments& arguments, const char* property, const char* action) {
    TakenFileName name = CheckFileName(arguments, property, action);
    WriteBack(arguments, name);
    return name.full;
}

basic_text<wchar_t> TakeNeededFileName(CommandArguments& arguments, const char* property, const char* action) {
    basic_text<wchar_t> name = TakeFileName(arguments, property, action);
    if (name.empty()) throw KLAppException(string("Не указан файл: ") + property + "=");
    return name;
}

basic_text<wchar_t> SystemName(const wchar_t* full) {
    // CreateDirectoryW takes 248 characters at most, the other calls 259.
    if (Length(full) < 248 || wcsncmp(full, L"\\\\?\\", 4) == 0) return basic_text<wchar_t>(full);
    if (IsSeparator(full[0]) && IsSeparator(full[1])) return basic_text<wchar_t>(L"\\\\?\\UNC\\") + (full + 2);
    return basic_text<wchar_t>(L"\\\\?\\") + full;
}

string AnsiName(const wchar_t* name) { return TAXDK::Standard::ShownText(name); }

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
    basic_text<wchar_t> parent = ParentFolder(folder);
    if (parent.length() == 0 || parent.length() >= folder.length()) return false;
    if (!MakeFolder(parent)) return false;
    return CreateDirectoryW(SystemName(folder), nullptr) || IsFolder(folder);
}

bool MakeParentFolders(const wchar_t* file) { return MakeFolder(ParentFolder(file)); }

bool SameOrBelow(const wchar_t* inner, const wchar_t* folder) {
    size_t n = Length(folder);
    while (n > 0 && IsSeparator(folder[n - 1])) --n;
    if (Length(inner) < n || CompareStringOrdinal(inner, int(n), folder, int(n), TRUE) != CSTR_EQUAL) return false;
    return inner[n] == 0 || IsSeparator(inner[n]);
}
