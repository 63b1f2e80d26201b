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

// The name of the mutex of the changes of a file: its full name upper-cased
// by the system's table, hashed (FNV-1a, 64 bits).
static basic_text<wchar_t> MutexName(const wchar_t* full) {
    size_t n = wcslen(full);
    aptr<wchar_t> upper(new wchar_t[n + 1]);
    wmemcpy(upper.get(), full, n + 1);
    if (n) CharUpperBuffW(upper.get(), static_cast<DWORD>(n));
    ULONGLONG hash = 14695981039346656037ull;
    for (size_t i = 0; i < n; ++i) {
        hash ^= upper.get()[i];
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\aRvik.IniChange.%08lX%08lX", static_cast<unsigned long>(hash >> 32),
             static_cast<unsigned long>(hash));
    return basic_text<wchar_t>(name);
}

// How long a change waits for another, and a move for the readers.
static const DWORD kWait = 10000;

IniChange::IniChange(const FileName& name, bool make) : name_(name) {
    if (name.PartTooLong() || name.TooLong()) throw FileFailure("записать файл", ERROR_FILENAME_EXCED_RANGE, name);
    mutex_ = KernelHandle(CreateMutexW(nullptr, FALSE, MutexName(name.Full())));
    if (!mutex_) throw FileFailure("записать файл", GetLastError(), name);
    DWORD waited = WaitForSingleObject(mutex_.get(), kWait);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        mutex_.Close();
        throw FileException("Не удалось дописать файл (он занят другой записью): ", name.Shown());
    }
    exists_ = Open(make);
    if (!exists_) return;
    lock_ = new AppendLock(file_.get(), name.Shown());
    ReadAll(file_.get(), "записать файл", name, content_);
}

IniChange::~IniChange() {
    lock_ = nullptr;
    file_.Close();
    if (mutex_) ReleaseMutex(mutex_.get());
}

bool IniChange::Open(bool make) {
    // Deletion asked for: a file that may not be replaced fails here.
    DWORD access = GENERIC_READ | DELETE;
    const wchar_t* system = name_.System();
    file_ = KernelHandle(
        CreateFileW(system, access, kShareAll, nullptr, make ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // The open tried again whether the folders were made or not: its error
    // is the one to report (a part of the path that is a file).
    if (!file_ && make && GetLastError() == ERROR_PATH_NOT_FOUND) {
        MakeParentFolders(name_);
        file_ = KernelHandle(CreateFileW(system, access, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    made_ = file_ && make && GetLastError() != ERROR_ALREADY_EXISTS;
    if (file_) return true;
    DWORD error = GetLastError();
    if (!make && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) return false;
    throw Failure("записать файл", error, name_);
}

void IniChange::Replace(const char* bytes, size_t size) {
    DWORD attributes = GetFileAttributesW(name_.System());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw FileFailure("записать файл", ERROR_ACCESS_DENIED, name_);
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
    file.Close();
    lock_ = nullptr;
    file_.Close();
    // Refused while another program holds the file open (a reader, for a
    // moment): tried again after a pause growing to 16 ms.
    DWORD start = GetTickCount(), pause = 1;
    while (!error && !MoveFileExW(besideName, name_.System(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || GetTickCount() - start >= kWait) break;
        error = 0;
        Sleep(pause);
        if (pause < 16) pause *= 2;
    }
    if (!error) return;
    DeleteFileW(besideName);
    // A file made empty for the change goes with it.
    if (made_) DeleteFileW(name_.System());
    if (error == ERROR_ACCESS_DENIED) error = ERROR_SHARING_VIOLATION;
    throw Failure("записать файл", error, name_);
}
