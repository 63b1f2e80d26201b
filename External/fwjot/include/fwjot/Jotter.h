// The log object: one entry per Write, appended to the file named by
// SetLogPath.
//
// Write formats its text (printf rules) outside any lock, queues it as one
// record (unless nobody holds the log's critical section: then it takes it
// at once and writes after what is queued) and then, holding the critical
// section, drains the queue into the writer: entries of concurrent callers never interleave, none is
// lost, and when Write returns its entry has reached the writer, which
// tells the caller what became of it (an Outcome). Options: TimeStamp puts
// the local time before each entry, WithDate adds the date to it. Every
// entry ends with "\r\n". Character format 6 is narrow text in the ANSI
// code page, written as it is; the stand-in treats every format so.
//
// A writer that throws fails only the entry it was writing: that entry's
// own Write throws it again, whichever caller's drain met it, and the
// drain goes on with the next record. Every Write returns only once its
// own record has left the queue; a record that leaves it without reaching
// the writer (Queue().Clear()) comes back as ERROR_CANCELLED, never as
// written. Records put with no outcome lose what the writer threw.
//
// The writer owns the file: opened on the first entry after the path
// changed (its folders made when missing), shared with readers and writers
// (a user may tail it), kept open until the path changes or the log goes.
// A file that cannot be opened or written fails only the entries that were
// meant for it: each comes back as an Outcome with the Windows error and
// the file's name, and the next entry tries the file afresh. Nothing is
// thrown. An empty path writes nothing and is no failure: the log is off.
//
// The critical section is the first member; callers hold it while they
// change the log's settings (it is recursive: SetLogPath takes it too).
// Destruction order: the queue (and any records left in it), then the
// writer, then the critical section.
#pragma once

#include <windows.h>

#include <exception>

#include <refs.h>
#include <str.h>
#include <Trevan/CriticalSection.h>
#include <Trevan/MessageQueue.h>

class Jotter {
public:
    // What became of one entry: error 0 when it was written or the log is
    // off; otherwise the Windows error and the file the entry was meant for.
    struct Outcome {
        DWORD error = 0;
        string path;
        std::exception_ptr thrown;  // what the writer threw instead; Write throws it
    };

    // One log record. value is the writer's (a kind or format code);
    // outcome, when not null, receives what the writer made of it.
    struct Data {
        Data(DWORD value, const string& text, Outcome* outcome = nullptr)
            : value(value), text(text), outcome(outcome) {}
        DWORD value;
        string text;
        Outcome* outcome;
    };

    // What the log writes through; owned and deleted by the Jotter. The
    // Jotter calls it only while holding its critical section.
    class Writer {
    public:
        virtual ~Writer() {}
        // A path equal to the current one (ignoring case) changes nothing.
        virtual void SetPath(const char* path) {}
        // Writes one whole entry and says what became of it.
        virtual Outcome Put(const Data& record) { return Outcome(); }
    };

    enum Options : DWORD { TimeStamp = 1, WithDate = 2 };

    Jotter();
    Jotter(const Jotter&) = delete;
    Jotter& operator=(const Jotter&) = delete;

    CRITICAL_SECTION* Section() { return lock_.Get(); }
    Trevan::MessageQueue<Data>& Queue() { return queue_; }
    // Takes writer over; a previous one is deleted.
    void SetWriter(Writer* writer) {
        Trevan::Lock hold(lock_);
        writer_ = writer;
    }

    DWORD GetOptions() const { return options_; }
    void SetOptions(DWORD options) { options_ = options; }

    void SetLogPath(const char* path);
    Outcome Write(DWORD format, const char* text, ...) __attribute__((format(gnu_printf, 3, 4)));

private:
    void Drain();
    void Put(const Data& record);

    Trevan::CriticalSection lock_;
    ptr<Writer> writer_;
    Trevan::MessageQueue<Data> queue_;
    volatile DWORD options_;
};
