// Jotter: the log object of the maker's log library.
//
// SetOptions chooses what goes before each entry (TimeStamp: the local
// time, WithDate: the date too); a change counts from the next Write.
// SetLogPath names the file. Write makes one entry of its text (printf
// rules; a lone "%s" takes its argument as it is), the stamp and "\r\n",
// and hands it whole to the log's writer, which says what became of it.
// Character format 6 is narrow text in the ANSI code page, written as it
// is; the stand-in treats every format so.
//
// The writer is the one seam: it opens and appends the file and keeps the
// entries of concurrent callers apart, holding the log's critical section
// while it writes (it takes the section itself, so that it may choose how
// to wait for it). The plug-in gives its own (its script log's writer); a
// Jotter without one writes nothing, and that is no failure.
//
// The critical section is the first member; callers hold it while they
// change the log's settings (it is recursive: SetLogPath takes it too).
// Destruction order: the writer, then the critical section.
#pragma once

#include <windows.h>

#include <memory>

#include <str.h>

class Jotter {
public:
    // What became of one entry: error 0 when it was written or the log is
    // off; otherwise the Windows error and the file the entry was meant for.
    struct Outcome {
        DWORD error = 0;
        string path;
    };

    // Where the entries go. SetPath is called holding section; Write takes
    // it. Write may throw: Jotter::Write throws it on.
    class Writer {
    public:
        virtual ~Writer() {}
        virtual void SetPath(const char* path) = 0;
        virtual Outcome Write(CRITICAL_SECTION* section, DWORD format, const string& entry) = 0;
    };

    enum Options : DWORD { TimeStamp = 1, WithDate = 2 };

    // Takes writer over (null: the log writes nothing).
    explicit Jotter(Writer* writer = nullptr);
    ~Jotter();
    Jotter(const Jotter&) = delete;
    Jotter& operator=(const Jotter&) = delete;

    CRITICAL_SECTION* Section() { return &section_; }

    DWORD GetOptions() const { return options_; }
    void SetOptions(DWORD options) { options_ = options; }

    void SetLogPath(const char* path);
    Outcome Write(DWORD format, const char* text, ...) __attribute__((format(gnu_printf, 3, 4)));

private:
    CRITICAL_SECTION section_;
    std::unique_ptr<Writer> writer_;
    volatile DWORD options_;
};
