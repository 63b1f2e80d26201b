#include "Files/FileTransfer.h"

#include <windows.h>

#include <exceptions.h>
#include <owned.h>

#include "Files/FileFailures.h"
#include "Files/FileIdentity.h"
#include "Files/FileName.h"

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

namespace {

// One copy or move, its names checked by the caller.
class Transferring {
public:
    Transferring(const FileName& from, const FileName& to, const char* targetProperty, Transfer transfer,
                 Replace replace)
        : copy_(transfer == Transfer::Copy),
          replace_(replace == Replace::Yes),
          source_(from),
          target_(to),
          targetProperty_(targetProperty) {}
    // What the names name, checked before anything is touched.
    void Check();
    void Run();

private:
    [[noreturn]] void Fail(DWORD error);
    KLAppException SameFile() const;

    bool copy_, replace_, folder_ = false;
    const FileName &source_, &target_;
    const char* targetProperty_;
};

void Transferring::Check() {
    const char* action = copy_ ? "скопировать файл" : "переместить файл";
    if (SameOrBelow(target_, source_) && SameOrBelow(source_, target_)) throw SameFile();
    if (source_.TooLong()) throw FileFailure(action, ERROR_FILENAME_EXCED_RANGE, source_);
    if (target_.TooLong()) throw FileFailure(action, ERROR_FILENAME_EXCED_RANGE, target_);
    DWORD attributes = GetFileAttributesW(source_.System());
    if (attributes == INVALID_FILE_ATTRIBUTES) Fail(GetLastError());
    folder_ = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A target that is there may be the file by another spelling ("\\?\",
    // a short name, a link): the files themselves tell. Their handles go
    // before the copy or the move, which they would hold up.
    if (GetFileAttributesW(target_.System()) != INVALID_FILE_ATTRIBUTES) {
        FileIdentity from(source_), to(target_);
        if (from.Open() && !from.OnDisk()) throw FileFailure(action, "это устройство", source_);
        if (to.Open() && !to.OnDisk()) throw FileFailure(action, "это устройство", target_);
        if (from.Same(to)) throw SameFile();
    }
    if (folder_ && copy_) throw FileFailure("скопировать файл", "это папка", source_);
    if (folder_ && (SameOrBelow(target_, source_) || Holds(FileIdentity(source_), target_)))
        throw KLAppException(string("Папку нельзя переместить внутрь неё самой: ") + targetProperty_ + "=" +
                             target_.Shown());
}

KLAppException Transferring::SameFile() const {
    return KLAppException(string("Файл назначения совпадает с исходным: ") + targetProperty_ + "=" +
                          target_.Shown());
}

void Transferring::Run() {
    if (!MakeParentFolders(target_)) Fail(ERROR_PATH_NOT_FOUND);
    const wchar_t *from = source_.System(), *to = target_.System();
    // A read-only target stays, as the system keeps it on Windows; Wine
    // would replace it.
    if (replace_) {
        DWORD attributes = GetFileAttributesW(to);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) Fail(ERROR_ACCESS_DENIED);
    }
    BOOL done = copy_ ? CopyFileW(from, to, !replace_)
                      : MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED | (replace_ ? MOVEFILE_REPLACE_EXISTING : 0));
    if (!done) Fail(GetLastError());
    // Across volumes the system copies, and succeeds when the file then
    // cannot be deleted: that is no move.
    if (!copy_ && GetFileAttributesW(from) != INVALID_FILE_ATTRIBUTES)
        throw FileFailure(folder_ ? "переместить папку" : "переместить файл", "скопирован, но не удалён", source_);
}

// Names the file the error concerns: a missing source, or a source that
// cannot be opened as the copy or the move opens it; otherwise the target.
void Transferring::Fail(DWORD error) {
    const char* action = copy_ ? "скопировать файл" : folder_ ? "переместить папку" : "переместить файл";
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        if (GetFileAttributesW(source_.System()) == INVALID_FILE_ATTRIBUTES) throw FileFailure(action, error, source_);
        throw FileFailure(action, "путь не найден", target_);
    }
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        DWORD access = copy_ ? GENERIC_READ : DELETE;
        DWORD share = copy_ ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        KernelHandle probe(CreateFileW(source_.System(), access, share, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!probe) throw FileFailure(action, GetLastError(), source_);
    }
    throw FileFailure(action, error, target_);
}

}  // namespace

void TransferFile(const FileName& from, const FileName& to, const char* targetProperty, Transfer transfer,
                  Replace replace) {
    Transferring transferring(from, to, targetProperty, transfer, replace);
    transferring.Check();
    transferring.Run();
}
