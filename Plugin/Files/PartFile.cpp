#include "Files/PartFile.h"

#include <stdio.h>

#include "Files/FileFailures.h"

// Told apart from those of other threads and processes writing beside it.
static LONG partCount;

PartFile::PartFile(const FileName& name, const char* action) : name_(name), action_(action) {
    if (name.PartTooLong() || name.TooLong()) Fail(ERROR_FILENAME_EXCED_RANGE);
    basic_text<wchar_t> folder = ParentFolder(name);
    size_t length = Length(folder.c_str());
    const wchar_t* separator = length && folder.c_str()[length - 1] == L'\\' ? L"" : L"\\";
    for (int tries = 0;; ++tries) {
        wchar_t part[48] = {};
        _snwprintf(part, sizeof part / sizeof *part - 1, L"%ls~aRvik%lx-%lx.tmp", separator, GetCurrentProcessId(),
                 static_cast<unsigned long>(InterlockedIncrement(&partCount)));
        temporary_ = folder + part;
        basic_text<wchar_t> system = SystemName(temporary_);
        file_.Reset(CreateFileW(system, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (file_) break;
        DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND && tries == 0 && MakeParentFolders(name)) continue;
        // One left by a process that ended while it wrote.
        if ((error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && tries < 16) continue;
        temporary_ = basic_text<wchar_t>();
        Fail(error);
    }
}

PartFile::~PartFile() {
    if (finished_ || temporary_.empty()) return;
    file_.Close();
    DeleteFileW(SystemName(temporary_));
}

void PartFile::Write(const char* bytes, DWORD size) {
    while (size) {
        DWORD put = 0;
        if (!WriteFile(file_.get(), bytes, size, &put, nullptr)) Fail(GetLastError());
        bytes += put;
        size -= put;
    }
}

void PartFile::Finish(bool replace) {
    file_.Close();
    if (!MoveFileExW(SystemName(temporary_), name_.System(), replace ? MOVEFILE_REPLACE_EXISTING : 0))
        Fail(GetLastError());
    finished_ = true;
}

void PartFile::Fail(DWORD error) const { throw FileFailure(action_, error, name_); }
