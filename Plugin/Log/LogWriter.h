// LogWriter: the script log's writer, what the log object writes through.
//
// Entries of concurrent callers never interleave and none is lost; each
// caller learns what became of its own entry. Write queues the entry as
// one record (unless nobody holds the log's critical section: then it
// takes it at once and writes after what is queued) and then, holding the
// critical section, drains the queue into the target: when Write returns,
// its entry has reached the target, which tells what became of it (an
// Outcome). An uncontended entry so costs the system no more than its
// write.
//
// A target that throws fails only the entry it was writing: that entry's
// own Write throws it again, whichever caller's drain met it, and the
// drain goes on with the next record. Every Write returns only once its
// own record has left the queue; a record that leaves it without reaching
// the target (Queue().Clear()) comes back as ERROR_CANCELLED, never as
// written. Records put with no delivery lose what the target threw.
//
// The target is the log file (LogFile.h) unless the maker of the writer
// gives another. Destruction order: the queue (and any records left in
// it), then the target.
#pragma once

#include <windows.h>

#include <exception>

#include <Trevan/MessageQueue.h>
#include <fwjot/Jotter.h>
#include <refs.h>
#include <str.h>

class LogWriter : public Jotter::Writer {
public:
    // What became of one record, for the caller that waits for it.
    struct Delivery {
        Jotter::Outcome outcome;
        std::exception_ptr thrown;  // what the target threw instead; Write throws it
    };

    // One log record. value is the target's (a kind or format code);
    // delivery, when not null, receives what the target made of it.
    struct Record {
        Record(DWORD value, const string& text, Delivery* delivery = nullptr)
            : value(value), text(text), delivery(delivery) {}
        DWORD value;
        string text;
        Delivery* delivery;
    };

    // Where the records go; called only while the log's critical section is held.
    class Target {
    public:
        virtual ~Target() {}
        // A path equal to the current one (ignoring case) changes nothing.
        virtual void SetPath(const char* path) {}
        // Writes one whole entry and says what became of it.
        virtual Jotter::Outcome Put(const Record& record) { return Jotter::Outcome(); }
    };

    // Takes target over; null writes to the log file.
    explicit LogWriter(Target* target = nullptr);

    Trevan::MessageQueue<Record>& Queue() { return queue_; }

    void SetPath(const char* path) override { target_->SetPath(path); }
    Jotter::Outcome Write(CRITICAL_SECTION* section, DWORD format, const string& entry) override;

private:
    void Drain();
    void Put(const Record& record);

    ptr<Target> target_;
    Trevan::MessageQueue<Record> queue_;
};
