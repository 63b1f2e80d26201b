// ReadingStream: a file read from its start to its end in large blocks,
// as a hash or an upload reads it: opened for reading with every sharing
// mode granted to others (FILE_FLAG_SEQUENTIAL_SCAN), only a file on a
// disk (a device could hold a read for ever), any size. Failures throw
// FileFailure with the action given ("отправить файл") and the file's name.
#pragma once

#include <windows.h>

#include <owned.h>

#include "Files/FileName.h"

class ReadingStream {
public:
    // name lives longer than the object.
    ReadingStream(const FileName& name, const char* action);
    ReadingStream(const ReadingStream&) = delete;
    ReadingStream& operator=(const ReadingStream&) = delete;

    unsigned long long Size() const;
    // Back to the start.
    void Rewind();
    // At most ask bytes into to; how many came, 0 at the end.
    DWORD Read(char* to, DWORD ask);
    // The failure of the action on the file, with reason.
    [[noreturn]] void Fail(const char* reason) const;

private:
    [[noreturn]] void Fail(DWORD error) const;

    const FileName& name_;
    const char* action_;
    KernelHandle file_;
};
