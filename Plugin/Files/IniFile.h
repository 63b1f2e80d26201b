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
// replacement. The changes of one file wait for each other (a mutex named
// after its full name, in the user's session), so that of changes made
// together, by other processes too, each reads what the one before wrote;
// another's change is waited for up to 10 s, then FileException "Не
// удалось дописать файл (он занят другой записью): " and the name. The
// read and the writing of the new content also hold the lock that
// FileWrite's appends take (AppendLock).
//
// The new content is written beside the file (its name and
// ".~aRvik<process id>"), flushed, and moved into its place (MoveFileExW,
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). The system replaces
// no file that is open: the lock's handle is closed first, and a move
// refused while a reader holds the file is tried again, for up to 10 s.
// An append that waited for the lock then goes into the old file, and is
// lost with it.
// Failures throw FileException "Не удалось записать файл (...): " and the
// name; the file beside is removed.
class IniChange {
public:
    // make: a missing file is made empty, with its folders (and removed
    // again when Replace fails); otherwise a missing file is left so
    // (Exists false).
    IniChange(const FileName& name, bool make);
    ~IniChange();
    IniChange(const IniChange&) = delete;
    IniChange& operator=(const IniChange&) = delete;

    bool Exists() const { return exists_; }
    const Buffer<char>& Content() const { return content_; }
    void Replace(const char* bytes, size_t size);

private:
    bool Open(bool make);

    const FileName& name_;
    KernelHandle mutex_;
    KernelHandle file_;
    ptr<AppendLock> lock_;
    Buffer<char> content_;
    bool exists_ = false;
    bool made_ = false;  // by this change, empty
};
