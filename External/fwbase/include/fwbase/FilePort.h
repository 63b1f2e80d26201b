// FilePort: one open file handle and the file's name.
//
// The port owns the handle and closes it when destroyed; a null or
// INVALID_HANDLE_VALUE handle (a failed open) is held but never closed, so
// the opener may check it after handing it over. Constructing a port keeps
// the thread's last error as the failed open left it.
//
// Position and write failures throw FilePortError with the Windows error
// and the file's name; the caller words them for its users. Write writes
// the whole run or throws.
//
// The virtual operations keep their slots (the destructor takes 0 and 1):
// slot 6 sets the 64-bit position, slot 8 writes a byte run. Slot 5 holds
// an operation of the library's that the plug-in never calls.
#pragma once

#include <windows.h>

#include <str.h>

#include <fwbase/Exception.h>

// A failed position or write of a port. Reason (the library's own words):
// "FilePort: seek failed (error N): " or "FilePort: write failed (error N): "
// and the file's name.
class FilePortError : public ResourceException {
public:
    enum Operation { Seek, Write };
    FilePortError(Operation operation, DWORD error, const string& name);
    Operation What() const { return operation_; }
    DWORD Error() const { return error_; }

private:
    Operation operation_;
    DWORD error_;
};

class FilePort {
public:
    FilePort(HANDLE handle, const char* name);
    virtual ~FilePort();                                // 0, 1
    virtual bool IsOpen() const;                        // 2
    virtual HANDLE Handle() const { return handle_; }   // 3
    virtual string Name() const { return name_; }       // 4
    virtual void Reserved5() {}                         // 5
    virtual void SetPosition(ULONGLONG position);       // 6
    virtual ULONGLONG Position() const;                 // 7
    virtual void Write(const void* data, SIZE_T size);  // 8

    FilePort(const FilePort&) = delete;
    FilePort& operator=(const FilePort&) = delete;

private:
    [[noreturn]] void Fail(FilePortError::Operation operation) const;

    HANDLE handle_;
    string name_;
};
