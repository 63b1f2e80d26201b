#include "LogFile.h"

#include <fwbase/Exception.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>

void LogFile::SetPath(const char* path) {
    if (path_ == keystring(string(path))) return;
    file_ = nullptr;
    path_ = keystring(string(path));
}

void LogFile::Put(const Jotter::Data& record) {
    if (path_.empty()) return;
    if (!file_ && !Open()) return;
    try {
        // Another process may append to the same file.
        LARGE_INTEGER zero;
        zero.QuadPart = 0;
        SetFilePointerEx(file_->Handle(), zero, nullptr, FILE_END);
        file_->Write(record.text.c_str(), record.text.length());
    } catch (const KelmirException& e) {
        Report("entry not written", e.Reason());
        file_ = nullptr;  // the next entry tries a fresh open
    }
}

bool LogFile::Open() {
    CreatePath(GetParentPath(path_), nullptr);
    HANDLE handle = CreateFileA(path_, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Report("cannot open the file", FormatBuffer(64, "Windows error %lu", GetLastError()));
        return false;
    }
    file_ = new FilePort(handle, path_);
    return true;
}

void LogFile::Report(const char* what, const char* detail) const {
    string text = string("Jotter: ") + what + " \"" + path_.c_str() + "\": " + detail + "\n";
    OutputDebugStringA(text);
}
