// Files for aRvik.FileWrite and aRvik.FileRead: writing bytes by replacing
// or appending, and reading a whole file back as UTF-16 text.
#pragma once

#include <windows.h>

#include <fwbase/Co.h>
#include <fwbase/FilePort.h>
#include <refs.h>

#include "Files/FileEncoding.h"
#include "Files/FileName.h"
#include "Files/FileSystem.h"

class KeptTextBlock;  // Files/KeptTextBlock.h

// A file that aRvik.FileWrite writes with a mode or an encoding given; its
// folder is made with its parents. Replacing empties or makes the file;
// appending writes at its end, making it when missing. A failed open throws
// exactly what SaveFile's does for the same failure, the name shown as
// FileName shows it.
class TextFileWriter {
public:
    TextFileWriter(const FileName& fileName, bool append);
    ULONGLONG Size() const { return FileSize(file_->Handle(), file_->Name()); }
    // The encoding of the mark the file begins with, as MarkedEncoding
    // gives it; appending only.
    TextEncoding Mark();
    // A failed write throws what SaveFile's does (PortFailure).
    void Write(const char* bytes, size_t size);
    // The whole of text, narrowed as SaveFile narrows it, in place of what
    // the file held (WriteFileText).
    void WriteText(const wchar_t* text);
    HANDLE Handle() const { return file_->Handle(); }

private:
    ptr<FilePort> file_;
};

// The lock that the appends of aRvik.FileWrite take on a file, held while
// it lives: exclusive, over one byte far beyond any file's end, so that it
// holds up no reader or other writer of the file, only other appends. An
// append holds it from its look at the file's start to its last byte
// written, so that of appends made together, by other processes too, only
// the first into an empty file writes a mark, and each text goes in whole.
// Another's lock is waited for up to wait milliseconds; then FileException
// "Не удалось дописать файл (он занят другой записью): " and the name as
// ShownText shows it.
class AppendLock {
public:
    AppendLock(HANDLE file, const char* name, DWORD wait = 10000);
    ~AppendLock();
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

    // Where the lock lies: a byte just below the largest offset the file
    // systems take, which no file reaches.
    static const ULONGLONG offset = 0x7FFFFFFFFFFFFFFEull;

private:
    HANDLE file_;
};

// The most FileRead takes: 64 MiB.
const ULONGLONG maxFileRead = 64ull << 20;

// The whole content of fileName, read with every sharing mode granted to
// others, as DecodeText gives it; a long text in the ANSI code page is
// widened where it is read, without a copy of its bytes, in a block taken
// from blocks when given. A file that is missing, a folder, one that may
// not be read, or larger than maxFileRead (also when it grows beyond it
// while read) throws FileException "Не удалось прочитать файл (...): " and
// the name as FileName shows it.
void ReadFileText(const FileName& fileName, TextEncoding fallback, CoString& out, KeptTextBlock* blocks = nullptr);
