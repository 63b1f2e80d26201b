// The system's own members of the exception family, and the checks that turn
// failed Windows calls into them. Every check takes the caller's source
// position (a short path such as "Plugin/SessionExtender") and line, so the
// message points at the call site.
#pragma once

#include <windows.h>

#include <fwbase/Exception.h>
#include <str.h>

// An application error with a text.
class KLAppException : public KelmirException {
public:
    explicit KLAppException(const string& message) : KelmirException(message) {}
};

// A failed Windows call. Reason:
//   Windows system call error 5 (00000005) at "F":76
class WindowsError : public KelmirException {
public:
    WindowsError(DWORD code, const string& file, unsigned line);
    DWORD Code() const { return code_; }
    const string& File() const { return file_; }
    unsigned Line() const { return line_; }

private:
    DWORD code_;
    string file_;
    unsigned line_;
};

// A file that cannot be opened; the reason is the text followed by the name.
class FileException : public ResourceException {
public:
    FileException(const string& text, const string& name) : ResourceException(text, name) {}
};

// For calls that return a success flag or a handle: a nonzero result comes
// back unchanged; zero throws WindowsError with the thread's last error.
template <class R>
R CheckSystemCall(R result, const char* file, unsigned line) {
    if (!result) {
        // Before the exception or its texts allocate, which may set it anew.
        DWORD error = GetLastError();
        throw WindowsError(error, file, line);
    }
    return result;
}

// For calls that return a Windows error number: nonzero throws it.
void CheckErrorCode(LONG code, const char* file, unsigned line);

// A file that could not be written for the Windows error: ERROR_PATH_NOT_FOUND
// and ERROR_ACCESS_DENIED give their own texts, any other error its number
// ("(ошибка 112)"); every reason ends with the file name.
FileException FileWriteError(DWORD error, const string& name);

// For a newly opened file handle: a handle that is neither null nor
// INVALID_HANDLE_VALUE passes (true). Otherwise ERROR_PATH_NOT_FOUND and
// ERROR_ACCESS_DENIED throw FileException naming the file; any other error
// throws WindowsError at file and line.
bool CheckFileHandle(HANDLE handle, const char* name, const char* file, unsigned line);
