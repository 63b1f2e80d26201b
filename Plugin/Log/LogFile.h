// LogFile: the script log's file, where its writer puts the entries.
// Appends to one file, opened on first use after each change of path (its
// folders made when missing) and shared for reading, writing and deletion
// (a user may tail it); kept open until the path changes or the writer
// goes. A failed open or write is the entry's outcome, with the Windows
// error and the file's name; the next entry opens the file afresh. Nothing
// is thrown. An empty path writes nothing and is no failure: the log is off.
#pragma once

#include <windows.h>

#include <owned.h>
#include <str.h>

#include "Log/LogWriter.h"

class LogFile : public LogWriter::Target {
public:
    void SetPath(const char* path) override;
    Jotter::Outcome Put(const LogWriter::Record& record) override;

private:
    DWORD Open();
    DWORD Append(const string& text);

    keystring path_;
    KernelHandle file_;
};
