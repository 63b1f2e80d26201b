#include <fwbase/FilePort.h>

#include <fwbase/Exception.h>
#include <fwbase/Format.h>

FilePort::FilePort(HANDLE handle, const char* name) : handle_(handle) {
    DWORD error = GetLastError();
    name_ = name;
    SetLastError(error);
}

FilePort::~FilePort() {
    if (IsOpen()) CloseHandle(handle_);
}

bool FilePort::IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

void FilePort::Fail(const char* what) const {
    DWORD error = GetLastError();
    throw ResourceException(FormatBuffer(256, "%s (ошибка %lu): ", what, error), name_);
}

void FilePort::SetPosition(ULONGLONG position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) Fail("Не удалось перейти в файле");
}

ULONGLONG FilePort::Position() const {
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(handle_, zero, &at, FILE_CURRENT)) Fail("Не удалось перейти в файле");
    return at.QuadPart;
}

void FilePort::Write(const void* data, SIZE_T size) {
    const char* p = static_cast<const char*>(data);
    // WriteFile takes a 32-bit count and may write less than asked.
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle_, p, chunk, &written, nullptr)) Fail("Не удалось записать файл");
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            Fail("Не удалось записать файл");
        }
        p += written;
        size -= written;
    }
}
