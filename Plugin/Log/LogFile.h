// The Jotter's file writer: appends entries to one file, opened on first
// use after each change of path and shared for reading, writing and
// deletion. A failed open or write is the entry's outcome; the next entry
// opens the file afresh. Nothing is thrown.
#pragma once

#include <fwbase/FilePort.h>
#include <fwjot/Jotter.h>
#include <refs.h>
#include <str.h>

class LogFile : public Jotter::Writer {
public:
    void SetPath(const char* path) override;
    Jotter::Outcome Put(const Jotter::Data& record) override;

private:
    DWORD Open();
    DWORD Append(const string& text);

    keystring path_;
    ptr<FilePort> file_;
};
