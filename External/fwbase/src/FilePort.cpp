#include <fwbase/FilePort.h>

#include <fwbase/Format.h>

FilePortError::FilePortError(Operation operation, DWORD error, const string& name)
    : ResourceException(FormatBuffer(256, "FilePort: %s failed (error %lu): ", operation == Seek ? "seek" : "write",
                                     error),
                        name),
      operation_(operation),
      error_(error) {}

FilePort::FilePort(HANDLE handle, const char* name) : handle_(handle) {
    DWORD error = GetLastError();
    name_ = name;
    SetLastError(error);
}

FilePort::~FilePort() {
    if (IsOpen()) CloseHandle(handle_);
}

bool FilePort::IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

void FilePort::Fail(FilePortError::Operation operation) const {
    DWORD error = GetLastError();
    throw FilePortError(operation, error, name_);
}

void FilePort::SetPosition(ULONGLONG position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) Fail(FilePortError::Seek);
}

ULONGLONG FilePort::Position() const {
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(handle_, zero, &at, FILE_CURRENT)) Fail(FilePortError::Seek);
    return at.QuadPart;
}

void FilePort::Write(const void* data, SIZE_T size) {
    const char* p = static_cast<const char*>(data);
    // WriteFile takes a 32-bit count and may write less than asked.
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle_, p, chunk, &written, nullptr)) Fail(FilePortError::Write);
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            Fail(FilePortError::Write);
        }
        p += written;
        size -= written;
    }
}
