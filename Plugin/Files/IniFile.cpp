#include "Files/IniFile.h"

#include <wchar.h>

#include <exceptions.h>
#include <fwbase/Format.h>

#include "Files/FileFailures.h"

static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Why action failed on name with error: a folder is named so.
static FileException Failure(const char* action, DWORD error, const FileName& name) {
    DWORD attributes = GetFileAttributesW(name.System());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileFailure(action, "это папка", name);
    return FileFailure(action, error, name);
}

// The open file's whole content into out.
static void ReadAll(HANDLE file, const char* action, const FileName& name, Buffer<char>& out) {
    if (GetFileType(file) != FILE_TYPE_DISK) throw FileFailure(action, "это устройство", name);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) throw Failure(action, GetLastError(), name);
    if (static_cast<ULONGLONG>(size.QuadPart) > maxFileRead) throw FileFailure(action, "больше 64 МБ", name);
    out.Clear();
    // A file that grows while read is read up to the limit.
    size_t ask = static_cast<size_t>(size.QuadPart) + 1;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, out.Room(ask), static_cast<DWORD>(ask), &got, nullptr))
            throw Failure(action, GetLastError(), name);
        out.Grow(got);
        if (out.Size() > maxFileRead) throw FileFailure(action, "больше 64 МБ", name);
        if (got == 0) return;
        ask = 64 << 10;
    }
}

bool ReadIniFile(const FileName& name, Buffer<char>& out) {
    if (name.PartTooLong() || name.TooLong())
        throw FileFailure("прочитать файл", ERROR_FILENAME_EXCED_RANGE, name);
    KernelHandle file(
        CreateFileW(name.System(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
        throw Failure("прочитать файл", error, name);
    }
    ReadAll(file.get(), "прочитать файл", name, out);
    return true;
}

// The file's volume and index; false when the system cannot say.
static bool Index(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
    return GetFileInformationByHandle(file, &info) != 0;
}

static bool SameFile(HANDLE file, const FileName& name) {
    KernelHandle now(CreateFileW(name.System(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION a, b;
    // Where the system cannot tell, the file is taken as the one locked.
    if (!now || !Index(file, a) || !Index(now.get(), b)) return true;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

IniChange::IniChange(const FileName& name, bool make) : name_(name) {
    if (name.PartTooLong() || name.TooLong()) throw FileFailure("записать файл", ERROR_FILENAME_EXCED_RANGE, name);
    // A file replaced between the open and the lock is opened anew: the
    // lock must lie on the file that stands under the name.
    for (int tries = 0; tries < 100; ++tries) {
        if (!Open(make)) return;
        lock_ = new AppendLock(file_.get(), name.Shown());
        if (SameFile(file_.get(), name)) {
            ReadAll(file_.get(), "записать файл", name, content_);
            return;
        }
        lock_ = nullptr;
        file_ = KernelHandle();
    }
    throw FileFailure("записать файл", "файл занят", name);
}

bool IniChange::Open(bool make) {
    DWORD access = GENERIC_READ | DELETE;
    const wchar_t* system = name_.System();
    file_ = KernelHandle(
        CreateFileW(system, access, kShareAll, nullptr, make ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_ && make && GetLastError() == ERROR_PATH_NOT_FOUND && MakeParentFolders(name_))
        file_ = KernelHandle(CreateFileW(system, access, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_) return true;
    DWORD error = GetLastError();
    if (!make && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) return false;
    throw Failure("записать файл", error, name_);
}

void IniChange::Replace(const char* bytes, size_t size) {
    wchar_t suffix[32];
    swprintf(suffix, 32, L".~aRvik%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    FileName beside(basic_text<wchar_t>(name_.Full()) + suffix);
    const wchar_t* besideName = beside.System();
    KernelHandle file(CreateFileW(besideName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw Failure("записать файл", GetLastError(), beside);
    DWORD error = 0;
    while (size > 0 && !error) {
        DWORD put = 0, ask = size > (1u << 20) ? 1u << 20 : static_cast<DWORD>(size);
        if (!WriteFile(file.get(), bytes, ask, &put, nullptr)) error = GetLastError();
        bytes += put;
        size -= put;
    }
    if (!error && !FlushFileBuffers(file.get())) error = GetLastError();
    file = KernelHandle();
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (!error && !MoveFileExW(besideName, name_.System(), flags)) {
        error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
            lock_ = nullptr;
            file_ = KernelHandle();
            error = MoveFileExW(besideName, name_.System(), flags) ? 0 : GetLastError();
        }
    }
    if (!error) return;
    DeleteFileW(besideName);
    throw Failure("записать файл", error, name_);
}
