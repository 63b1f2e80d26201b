#include "Files/ReadingStream.h"

#include "Files/FileFailures.h"

ReadingStream::ReadingStream(const FileName& name, const char* action) : name_(name), action_(action) {
    if (name.PartTooLong() || name.TooLong()) Fail(ERROR_FILENAME_EXCED_RANGE);
    DWORD attributes = GetFileAttributesW(name.System());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) Fail("это папка");
    file_.Reset(CreateFileW(name.System(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) Fail(GetLastError());
    if (GetFileType(file_.get()) != FILE_TYPE_DISK) Fail("это устройство");
}

unsigned long long ReadingStream::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.get(), &size)) Fail(GetLastError());
    return static_cast<unsigned long long>(size.QuadPart);
}

void ReadingStream::Rewind() {
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) Fail(GetLastError());
}

DWORD ReadingStream::Read(char* to, DWORD ask) {
    DWORD got = 0;
    if (!ReadFile(file_.get(), to, ask, &got, nullptr)) Fail(GetLastError());
    return got;
}

void ReadingStream::Fail(const char* reason) const { throw FileFailure(action_, reason, name_); }

void ReadingStream::Fail(DWORD error) const { throw FileFailure(action_, error, name_); }
