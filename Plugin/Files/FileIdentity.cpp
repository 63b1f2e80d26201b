#include "Files/FileIdentity.h"

#include <winternl.h>

#include <refs.h>

#include "Files/FileName.h"

namespace {

typedef NTSTATUS(NTAPI* QueryFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);

// The file's index on its volume (FileInternalInformation, which the
// system documents for NtQueryInformationFile), the index that
// GetFileInformationByHandle gives: a different index is a different file
// without the volume's serial, whose look-up costs Wine about a
// millisecond. False when the system cannot say.
bool FileIndex(HANDLE file, ULONGLONG& index) {
    // Looked up once; threads that meet here store the same address.
    static QueryFile query = nullptr;
    if (!query) {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (ntdll) query = reinterpret_cast<QueryFile>(GetProcAddress(ntdll, "NtQueryInformationFile"));
        if (!query) return false;
    }
    IO_STATUS_BLOCK status;
    LARGE_INTEGER internal;
    if (query(file, &status, &internal, sizeof internal, FileInternalInformation) < 0) return false;
    index = static_cast<ULONGLONG>(internal.QuadPart);
    return true;
}

}  // namespace

FileIdentity::FileIdentity(const wchar_t* full)
    : handle_(CreateFileW(SystemName(full), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {
    if (!handle_) return;
    onDisk_ = GetFileType(handle_.get()) == FILE_TYPE_DISK;
    indexKnown_ = onDisk_ && FileIndex(handle_.get(), index_);
}

bool FileIdentity::Information(BY_HANDLE_FILE_INFORMATION& info) const {
    return onDisk_ && GetFileInformationByHandle(handle_.get(), &info);
}

bool FileIdentity::Same(const FileIdentity& other) const {
    if (indexKnown_ && other.indexKnown_ && index_ != other.index_) return false;
    BY_HANDLE_FILE_INFORMATION mine, theirs;
    return Information(mine) && other.Information(theirs) && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
           mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}

basic_text<wchar_t> FileIdentity::FinalName() const {
    if (!onDisk_) return basic_text<wchar_t>(L"");
    wchar_t small[MAX_PATH];
    DWORD n = GetFinalPathNameByHandleW(handle_.get(), small, MAX_PATH, 0);
    if (n > 0 && n < MAX_PATH) return basic_text<wchar_t>(small, n);
    if (n == 0) return basic_text<wchar_t>(L"");
    aptr<wchar_t> buf(new wchar_t[n]);
    DWORD got = GetFinalPathNameByHandleW(handle_.get(), buf.get(), n, 0);
    return got > 0 && got < n ? basic_text<wchar_t>(buf.get(), got) : basic_text<wchar_t>(L"");
}
