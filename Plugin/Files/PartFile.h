// PartFile: a file that appears under its name only once it is whole. It
// is written beside that name under a temporary one ("~aRvik" and numbers,
// ".tmp", in the same folder, so the rename stays on one volume), renamed
// by Finish (MoveFileExW) and removed when the object goes unfinished:
// nothing is left under either name after a failure. Failures throw
// FileFailure with the action given and the final name.
#pragma once

#include <windows.h>

#include <owned.h>
#include <str.h>

#include "Files/FileName.h"

class PartFile {
public:
    // Makes the temporary file (and the folders of name); name lives
    // longer than the object.
    PartFile(const FileName& name, const char* action);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    void Write(const char* bytes, DWORD size);
    // Closes the file and renames it to its name; a file there is replaced
    // only when replace is set, otherwise the failure names it.
    void Finish(bool replace);
    // The temporary file's full name.
    const wchar_t* TemporaryName() const { return temporary_.c_str(); }

private:
    [[noreturn]] void Fail(DWORD error) const;

    const FileName& name_;
    const char* action_;
    basic_text<wchar_t> temporary_;
    KernelHandle file_;
    bool finished_ = false;
};
