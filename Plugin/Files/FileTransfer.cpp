#include "Files/FileTransfer.h"

#include <windows.h>

#include <ShownText.h>
#include <exceptions.h>

#include "Files/FileFailures.h"
#include "Files/FileIdentity.h"
#include "Files/FileNames.h"

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The length of the root of a full name, with its backslash: "C:\",
// "\\?\C:\", "\\server\share\", "\\?\UNC\server\share\"; 0 for none.
static size_t RootLength(const wchar_t* full) {
    size_t at = wcsncmp(full, L"\\\\?\\", 4) == 0 ? 4 : 0;
    const wchar_t* rest = full + at;
    if (rest[0] && rest[1] == L':' && IsSeparator(rest[2])) return at + 3;
    if (at && _wcsnicmp(rest, L"UNC\\", 4) == 0) at += 4;
    else if (!at && IsSeparator(full[0]) && IsSeparator(full[1])) at = 2;
    else return 0;
    // The server's name and the share's.
    for (int part = 0; part < 2; ++part) {
        while (full[at] && !IsSeparator(full[at])) ++at;
        if (full[at]) ++at;
    }
    return at;
}

// Whether the folder source (open) holds the full name target below it,
// by the names the system holds them by: the deepest folder of target's
// path that is there, whatever spelling names it, against source's.
static bool Holds(const FileIdentity& source, const wchar_t* target) {
    basic_text<wchar_t> folder = source.FinalName();
    if (folder.empty()) return false;
    size_t root = RootLength(target), n = Length(target);
    while (n > root) {
        while (n > root && !IsSeparator(target[n - 1])) --n;
        while (n > root && IsSeparator(target[n - 1])) --n;
        if (n == 0) break;
        FileIdentity above(basic_text<wchar_t>(target, n));
        if (above.Open()) return SameOrBelow(above.FinalName(), folder);
    }
    return false;
}

FileTransfer::FileTransfer(CommandArguments& arguments, Kind kind) : kind_(kind) {
    string mode = arguments.Text("aRvik.FileMode", CommandArguments::WhenGiven);
    replace_ = keystring(mode) == "replace";
    if (!mode.empty() && !replace_)
        throw KLAppException(string(kind == Copy ? "Неизвестный режим копирования" : "Неизвестный режим перемещения") +
                             ": aRvik.FileMode=" + TAXDK::Standard::ShownText(mode) + " (допустимо: replace)");
    // Both names are checked before either is written back.
    const char* action = kind == Copy ? "скопировать файл" : "переместить файл";
    TakenFileName source = CheckFileName(arguments, "aRvik.FileName", action);
    if (source.full.empty()) throw KLAppException("Не указан файл: aRvik.FileName=");
    TakenFileName target = CheckFileName(arguments, "aRvik.FileTarget", action);
    if (target.full.empty()) throw KLAppException("Не указан файл: aRvik.FileTarget=");
    WriteBack(arguments, source);
    WriteBack(arguments, target);
    source_ = source.full;
    target_ = target.full;
    if (SameOrBelow(target_, source_) && SameOrBelow(source_, target_)) throw SameFile();
    DWORD attributes = GetFileAttributesW(SystemName(source_));
    if (attributes == INVALID_FILE_ATTRIBUTES) Fail(GetLastError());
    folder_ = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A target that is there may be the file by another spelling ("\\?\",
    // a short name, a link): the files themselves tell. Their handles go
    // before the copy or the move, which they would hold up.
    if (GetFileAttributesW(SystemName(target_)) != INVALID_FILE_ATTRIBUTES) {
        FileIdentity from(source_), to(target_);
        if (from.Open() && !from.OnDisk()) throw FileFailure(action, "это устройство", source_);
        if (to.Open() && !to.OnDisk()) throw FileFailure(action, "это устройство", target_);
        if (from.Same(to)) throw SameFile();
    }
    if (folder_ && kind == Copy) throw FileFailure("скопировать файл", "это папка", source_);
    if (folder_ && (SameOrBelow(target_, source_) || Holds(FileIdentity(source_), target_)))
        throw KLAppException(string("Папку нельзя переместить внутрь неё самой: aRvik.FileTarget=") +
                             AnsiName(target_));
}

KLAppException FileTransfer::SameFile() const {
    return KLAppException(string("Файл назначения совпадает с исходным: aRvik.FileTarget=") + AnsiName(target_));
}

void FileTransfer::Run() {
    if (!MakeParentFolders(target_)) Fail(ERROR_PATH_NOT_FOUND);
    basic_text<wchar_t> from = SystemName(source_), to = SystemName(target_);
    // A read-only target stays, as the system keeps it on Windows; Wine
    // would replace it.
    if (replace_) {
        DWORD attributes = GetFileAttributesW(to);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) Fail(ERROR_ACCESS_DENIED);
    }
    BOOL done = kind_ == Copy ? CopyFileW(from, to, !replace_)
                              : MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED | (replace_ ? MOVEFILE_REPLACE_EXISTING : 0));
    if (!done) Fail(GetLastError());
    // Across volumes the system copies, and succeeds when the file then
    // cannot be deleted: that is no move.
    if (kind_ == Move && GetFileAttributesW(from) != INVALID_FILE_ATTRIBUTES)
        throw FileFailure(folder_ ? "переместить папку" : "переместить файл", "скопирован, но не удалён", source_);
}

// Names the file the error concerns: a missing source, or a source that
// cannot be opened as the copy or the move opens it; otherwise the target.
void FileTransfer::Fail(DWORD error) {
    const char* action = kind_ == Copy ? "скопировать файл" : folder_ ? "переместить папку" : "переместить файл";
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        if (GetFileAttributesW(SystemName(source_)) == INVALID_FILE_ATTRIBUTES) throw FileFailure(action, error, source_);
        throw FileFailure(action, "путь не найден", target_);
    }
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        DWORD access = kind_ == Copy ? GENERIC_READ : DELETE;
        DWORD share = kind_ == Copy ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        HANDLE probe = CreateFileW(SystemName(source_), access, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                   nullptr);
        if (probe == INVALID_HANDLE_VALUE) throw FileFailure(action, GetLastError(), source_);
        CloseHandle(probe);
    }
    throw FileFailure(action, error, target_);
}
