// The log object: records queue up in a MessageQueue and an owned writer
// turns them into output.
//
// This is the part of Jotter the toolkit's record queue needs: the record
// type, the lock, the queue and the owned writer. Write, SetLogPath, the
// options and the file itself are added with the script log.
//
// The critical section is the first member; callers hold it while they
// change the log's settings. Destruction order: the queue (and any records
// left in it), then the writer, then the critical section.
#pragma once

#include <windows.h>

#include <refs.h>
#include <str.h>
#include <Trevan/CriticalSection.h>
#include <Trevan/MessageQueue.h>

class Jotter {
public:
    // One log record. value is the writer's (a kind or format code).
    struct Data {
        Data(DWORD value, const string& text) : value(value), text(text) {}
        DWORD value;
        string text;
    };

    // What the log writes through; owned and deleted by the Jotter.
    class Writer {
    public:
        virtual ~Writer() {}
    };

    Jotter() {}
    Jotter(const Jotter&) = delete;
    Jotter& operator=(const Jotter&) = delete;

    CRITICAL_SECTION* Section() { return lock_.Get(); }
    Trevan::MessageQueue<Data>& Queue() { return queue_; }
    // Takes writer over; a previous one is deleted.
    void SetWriter(Writer* writer) { writer_ = writer; }

private:
    Trevan::CriticalSection lock_;
    ptr<Writer> writer_;
    Trevan::MessageQueue<Data> queue_;
};
