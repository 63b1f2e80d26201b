#include "Files/FileText.h"

#include <string.h>

#include <CodePageTable.h>
#include <FixedPositions.h>
#include <SaveFile.h>
#include <ShownText.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <owned.h>

#include "Files/KeptTextBlock.h"

using TAXDK::Standard::CodePageTable;
using TAXDK::Standard::ShownText;

// The failed open of a name too long (FileName::PartTooLong, TooLong).
static KernelHandle TooLongName() {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return KernelHandle();
}

// CreateFileInFolder's open for a wide name: every sharing mode granted to
// others, the file's folders made when the open finds its folder missing,
// and the open tried once more.
static KernelHandle CreateInFolder(const FileName& fileName, DWORD access, DWORD disposition, DWORD flags) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (fileName.PartTooLong() || fileName.TooLong()) return TooLongName();
    const wchar_t* system = fileName.System();
    KernelHandle handle(CreateFileW(system, access, share, nullptr, disposition, flags, nullptr));
    if (handle || GetLastError() != ERROR_PATH_NOT_FOUND) return handle;
    MakeParentFolders(fileName);
    return KernelHandle(CreateFileW(system, access, share, nullptr, disposition, flags, nullptr));
}

// A failed open throws what SaveFile's does.
static KernelHandle OpenForWriting(const FileName& fileName, bool append) {
    // Append access without write access: every write goes to the end, also
    // when another writer has made the file longer meanwhile. Reading is
    // for the file's mark.
    const DWORD appending = FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    KernelHandle file(append ? CreateInFolder(fileName, appending, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL)
                             : CreateInFolder(fileName, GENERIC_WRITE, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    // SaveFile's position: a failure reads the same whichever way the file
    // is written.
    CheckFileHandle(file.get(), fileName.Shown(), FixedAt::kSaveFileOpen);
    // As SaveFile: only a file on a disk, since a device could hold a write
    // for ever.
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw FileException("Не удалось записать файл (это устройство): ", fileName.Shown());
    return file;
}

TextFileWriter::TextFileWriter(const FileName& fileName, bool append) {
    KernelHandle file = OpenForWriting(fileName, append);
    // The port owns the handle once it stands; should it not, the owner here
    // closes it. Its name is for the failure texts.
    file_ = new FilePort(file.get(), fileName.Shown());
    file.Detach();
}

void TextFileWriter::Write(const char* bytes, size_t size) {
    try {
        file_->Write(bytes, size);
    } catch (const FilePortError& failure) {
        throw TAXDK::Standard::PortFailure(failure);
    }
}

void TextFileWriter::WriteText(const wchar_t* text) { TAXDK::Standard::WriteFileText(*file_, text); }

// The lock's one byte, in the form LockFileEx and UnlockFileEx take.
static OVERLAPPED LockedByte() {
    OVERLAPPED at;
    memset(&at, 0, sizeof at);
    at.Offset = static_cast<DWORD>(AppendLock::offset);
    at.OffsetHigh = static_cast<DWORD>(AppendLock::offset >> 32);
    return at;
}

AppendLock::AppendLock(HANDLE file, const char* name, DWORD wait) : file_(nullptr) {
    // Asked without waiting, then again after a pause growing to 16 ms: a
    // waiting LockFileEx on a file opened for plain reads and writes would
    // wait without limit.
    DWORD start = GetTickCount(), pause = 1;
    for (;;) {
        OVERLAPPED at = LockedByte();
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            file_ = file;
            return;
        }
        // A file system that keeps no locks: the append goes on without one.
        if (GetLastError() != ERROR_LOCK_VIOLATION) return;
        if (GetTickCount() - start >= wait)
            throw FileException("Не удалось дописать файл (он занят другой записью): ", ShownText(name));
        Sleep(pause);
        if (pause < 16) pause *= 2;
    }
}

AppendLock::~AppendLock() {
    OVERLAPPED at = LockedByte();
    if (file_) UnlockFileEx(file_, 0, 1, 0, &at);
}

// system: the name the system takes; shown: the one the texts show.
static FileException ReadError(DWORD error, const wchar_t* system, const string& shown) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return FileException("Не удалось прочитать файл (файл не найден): ", shown);
    if (error == ERROR_ACCESS_DENIED) {
        DWORD attributes = GetFileAttributesW(system);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return FileException("Не удалось прочитать файл (это папка): ", shown);
        return FileException("Не удалось прочитать файл (нет доступа): ", shown);
    }
    return FileException(FormatBuffer(256, "Не удалось прочитать файл (ошибка %lu): ", error), shown);
}

TextEncoding TextFileWriter::Mark() {
    char start[3];
    DWORD got = 0;
    // From the start, whatever the position: the writes go to the end.
    OVERLAPPED at;
    memset(&at, 0, sizeof at);
    if (!ReadFile(file_->Handle(), start, sizeof start, &got, &at) && GetLastError() != ERROR_HANDLE_EOF) {
        DWORD error = GetLastError();
        // The port's name is the shown one: the file is open, not a folder.
        throw ReadError(error, L"", file_->Name());
    }
    size_t markSize = 0;
    return MarkedEncoding(start, got, markSize);
}

static FileException TooLarge(const string& name) {
    return FileException("Не удалось прочитать файл (больше 64 МБ): ", name);
}

namespace {

// One file open for reading, with every sharing mode granted to others.
// Failures throw ReadError's texts; a text beyond maxFileRead, TooLarge.
class ReadingFile {
public:
    // name lives longer than the object.
    explicit ReadingFile(const FileName& name)
        : name_(name),
          file_(name.PartTooLong() || name.TooLong()
                    ? TooLongName()
                    : KernelHandle(CreateFileW(name.System(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr))) {
        if (!file_) Fail();
        // A device (a serial port, a pipe) could hold a read for ever.
        if (GetFileType(file_.get()) != FILE_TYPE_DISK)
            throw FileException("Не удалось прочитать файл (это устройство): ", name.Shown());
    }

    // At most ask bytes into to; gives how many came.
    size_t Read(char* to, size_t ask) {
        DWORD got = 0;
        if (!ReadFile(file_.get(), to, static_cast<DWORD>(ask), &got, nullptr)) Fail();
        return got;
    }
    // At most ask bytes more at the end of out; true when all came, so
    // that more may follow.
    bool Read(Buffer<char>& out, size_t ask) {
        size_t got = Read(out.Room(ask), ask);
        out.Grow(got);
        if (out.Size() > maxFileRead) throw TooLarge(name_.Shown());
        return got == ask;
    }
    size_t Size() {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file_.get(), &size)) Fail();
        if (static_cast<ULONGLONG>(size.QuadPart) > maxFileRead) throw TooLarge(name_.Shown());
        return static_cast<size_t>(size.QuadPart);
    }

private:
    [[noreturn]] void Fail() {
        DWORD error = GetLastError();
        throw ReadError(error, name_.System(), name_.Shown());
    }

    const FileName& name_;
    KernelHandle file_;
};

// A small file comes whole with the first read, without asking its size
// (a call to the system less). A read that fills all it asked for is
// followed by one for the rest of the size, and one byte more: a read that
// fills that too shows the file grew meanwhile, and the reads go on up to
// the limit.
const size_t kFirstRead = 64 << 10;

// The reads after a first one that filled kFirstRead, size being the
// file's size then.
void ReadRest(ReadingFile& file, size_t size, Buffer<char>& out) {
    size_t ask = size >= out.Size() ? size - out.Size() + 1 : kFirstRead;
    while (file.Read(out, ask)) ask = kFirstRead;
}

}  // namespace

// The rest of a file of size bytes (first holds its start), in a single-byte
// code page, read into the upper half of the text's own memory and widened
// there: the bytes need no memory of their own. The one byte asked beyond
// the size lands in the text's terminator. False, and out empty, when the
// file grew meanwhile: first then holds all that was read.
static bool WidenInPlace(ReadingFile& file, const CodePageTable& table, size_t size, Buffer<char>& first,
                         CoString& out, KeptTextBlock* blocks) {
    BSTR text = blocks ? blocks->Take(size) : SysAllocStringLen(nullptr, static_cast<UINT>(size));
    if (!text) THROW_WIN32(ERROR_NOT_ENOUGH_MEMORY);
    *out.Out() = text;
    char* bytes = reinterpret_cast<char*>(text) + size;
    memcpy(bytes, first.Data(), first.Size());
    size_t ask = size - first.Size() + 1;
    size_t got = file.Read(bytes + first.Size(), ask);
    if (got == ask) {
        first.Append(bytes + first.Size(), got);
        out.Out();
        return false;
    }
    size_t n = first.Size() + got;
    table.Widen(bytes, n, text);
    if (n < size) {
        // The file shrank meanwhile.
        BSTR cut = SysAllocStringLen(text, static_cast<UINT>(n));
        if (!cut) THROW_WIN32(ERROR_NOT_ENOUGH_MEMORY);
        *out.Out() = cut;
    }
    return true;
}

void ReadFileText(const FileName& fileName, TextEncoding fallback, CoString& out, KeptTextBlock* blocks) {
    ReadingFile file(fileName);
    Buffer<char> bytes;
    if (file.Read(bytes, kFirstRead)) {
        size_t size = file.Size();
        size_t markSize = 0;
        bool ansi = fallback == TextEncoding::Ansi &&
                    MarkedEncoding(bytes.Data(), bytes.Size(), markSize) == TextEncoding::Ansi;
        const CodePageTable* table = ansi ? CodePageTable::For(CP_ACP) : nullptr;
        if (table && size >= bytes.Size() && WidenInPlace(file, *table, size, bytes, out, blocks)) return;
        ReadRest(file, size, bytes);
    }
    DecodeText(bytes.Data(), bytes.Size(), fallback, out);
}
