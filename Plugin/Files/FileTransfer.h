// FileTransfer: what aRvik.FileCopy and aRvik.FileMove share. The file
// aRvik.FileName goes to aRvik.FileTarget (both by aRvik.FileWrite's name
// rules, written back); a target that is there is refused unless
// aRvik.FileMode is "replace"; the target's folders are made. A move across
// volumes copies and then deletes (the system's MOVEFILE_COPY_ALLOWED).
//
// The arguments are checked before anything is touched or written back:
// an unknown mode, a missing name, a target that is the source or, for a
// folder moved, lies inside it each throw KLAppException naming the
// property and the value; a device or a stream, NameRefusal. The source
// and the target are compared by the files themselves (FileIdentity), so
// any spelling of the same file or folder counts.
// A failure of the system throws FileException "Не удалось скопировать
// файл (...): " (or "переместить файл", "переместить папку") and the file
// it concerns; so does a move across volumes that copied but could not
// delete the file ("скопирован, но не удалён"), which the system counts a
// success.
#pragma once

#include <exceptions.h>
#include <str.h>

#include "Commands/CommandArguments.h"

class FileTransfer {
public:
    enum Kind { Copy, Move };

    // Takes and checks the arguments.
    FileTransfer(CommandArguments& arguments, Kind kind);
    // Copies or moves; the caller then calls Done.
    void Run();

private:
    [[noreturn]] void Fail(DWORD error);
    KLAppException SameFile() const;

    Kind kind_;
    bool replace_ = false, folder_ = false;
    basic_text<wchar_t> source_, target_;
};
