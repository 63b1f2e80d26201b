// FileIdentity: a file or folder opened only to learn which one it is,
// whatever spelling named it ("C:\a\s.txt", "\\?\C:\A\S.TXT", a short
// name, a link to it): no access asked, every sharing mode granted (so that
// it opens while other programs hold it, and holds up none of them),
// folders too (FILE_FLAG_BACKUP_SEMANTICS). The handle closes when it goes.
#pragma once

#include <windows.h>

#include <owned.h>
#include <str.h>

class FileIdentity {
public:
    // Opens the full name; Open tells whether it did.
    explicit FileIdentity(const wchar_t* full);
    FileIdentity(const FileIdentity&) = delete;
    FileIdentity& operator=(const FileIdentity&) = delete;

    bool Open() const { return static_cast<bool>(handle_); }
    // Whether it is a file or folder on a disk (GetFileType): not a device.
    bool OnDisk() const { return onDisk_; }
    // Whether both are open on a disk and one file: the same volume serial
    // and file index (GetFileInformationByHandle).
    bool Same(const FileIdentity& other) const;
    // The name the system holds it by (GetFinalPathNameByHandleW, the
    // "\\?\C:\..." form); empty when it cannot say.
    basic_text<wchar_t> FinalName() const;

private:
    bool Information(BY_HANDLE_FILE_INFORMATION& info) const;

    KernelHandle handle_;
    bool onDisk_ = false, indexKnown_ = false;
    ULONGLONG index_ = 0;
};
