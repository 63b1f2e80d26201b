// The system's own members of the exception family: an application error,
// a failed Windows call at its source position, a file that cannot be
// opened or written.
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

// A file that could not be written for the Windows error: ERROR_PATH_NOT_FOUND
// and ERROR_ACCESS_DENIED give their own texts, any other error its number
// ("(ошибка 112)"); every reason ends with the file name.
FileException FileWriteError(DWORD error, const string& name);

// The checks that throw these (CheckSystemCall, CheckErrorCode,
// CheckFileHandle and the positioned family with its macros) are one
// family, in checks.h; callers that name them here find them there.
#include <checks.h>
