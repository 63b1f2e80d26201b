// The Jotter's file writer: appends entries to one file, opened on first
// use after each change of path and shared for reading, writing and
// deletion. Failures go to the debug output; nothing is thrown.
#pragma once

#include <fwbase/FilePort.h>
#include <fwjot/Jotter.h>
#include <refs.h>
#include <str.h>

class LogFile : public Jotter::Writer {
public:
    void SetPath(const char* path) override;
    void Put(const Jotter::Data& record) override;

private:
    bool Open();
    void Report(const char* what, const char* detail) const;

    keystring path_;
    ptr<FilePort> file_;
};
