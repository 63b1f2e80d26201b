#include "Log/LogFile.h"

#include <string.h>

#include <fwbase/Path.h>

void LogFile::SetPath(const char* path) {
    // The same bytes, the usual case, need no comparison by the system.
    if (path_.c_str() && path && strcmp(path_.c_str(), path) == 0) return;
    if (path_ == keystring(string(path))) return;
    file_.Close();
    path_ = keystring(string(path));
}

Jotter::Outcome LogFile::Put(const LogWriter::Record& record) {
    Jotter::Outcome outcome;
    if (path_.empty()) return outcome;
    DWORD error = file_ ? 0 : Open();
    if (!error) error = Append(record.text);
    if (error) {
        file_.Close();  // the next entry tries a fresh open
        outcome.error = error;
        outcome.path = path_;
    }
    return outcome;
}

DWORD LogFile::Open() {
    CreatePath(GetParentPath(path_), nullptr);
    HANDLE handle = CreateFileA(path_, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    file_.Reset(handle);
    return 0;
}

// The handle may only append: every write goes to the file's end as it is
// then, also when another process appended meanwhile.
DWORD LogFile::Append(const string& text) {
    const char* at = text.c_str();
    size_t left = text.length();
    // WriteFile may write less than asked.
    while (left > 0) {
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left), written = 0;
        if (!WriteFile(file_.get(), at, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        at += written;
        left -= written;
    }
    return 0;
}
