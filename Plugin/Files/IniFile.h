// The files of aRvik.IniRead, IniWrite and IniDelete: read whole, and
// replaced whole, never in place, so that a reader finds the old content
// or the new one and nothing between.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <owned.h>
#include <refs.h>

#include "Files/FileName.h"
#include "Files/FileText.h"

// The whole file, read with every sharing mode granted to others; false
// when it is not there (nor its folder). A folder, a device, a file that
// may not be read or is larger than maxFileRead throw FileException
// "Не удалось прочитать файл (...): " and the name.
bool ReadIniFile(const FileName& name, Buffer<char>& out);

// An INI file open for a change, from the read of its content to its
// replacement, under the lock FileWrite's appends take (AppendLock): of
// changes made together, by other processes too, each reads what the one
// before wrote. A lock taken on a file that another change replaced
// meanwhile is let go and taken on the new one.
//
// The new content is written beside the file (its name and
// ".~aRvik<process id>"), flushed, and moved into its place
// (MoveFileExW, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). The
// lock is held through the move. A system that will not replace a file
// open elsewhere (the lock's own handle shares deletion) gets the move
// again once the lock is let go. Failures throw FileException
// "Не удалось записать файл (...): " and the name; the file beside is
// removed.
class IniChange {
public:
    // make: a missing file is made empty, with its folders; otherwise a
    // missing file is left so (Exists false) and nothing is locked.
    IniChange(const FileName& name, bool make);
    IniChange(const IniChange&) = delete;
    IniChange& operator=(const IniChange&) = delete;

    bool Exists() const { return static_cast<bool>(file_); }
    const Buffer<char>& Content() const { return content_; }
    void Replace(const char* bytes, size_t size);

private:
    bool Open(bool make);

    const FileName& name_;
    KernelHandle file_;
    ptr<AppendLock> lock_;
    Buffer<char> content_;
};
