#include "Log/LogWriter.h"

#include "Log/LogFile.h"

LogWriter::LogWriter(Target* target) : target_(target ? target : new LogFile) {}

namespace {
// Leaves a critical section that the caller has entered, on every exit.
class Entered {
public:
    explicit Entered(CRITICAL_SECTION* section) : section_(section) {}
    ~Entered() { LeaveCriticalSection(section_); }
    Entered(const Entered&) = delete;
    Entered& operator=(const Entered&) = delete;

private:
    CRITICAL_SECTION* section_;
};
}  // namespace

Jotter::Outcome LogWriter::Write(CRITICAL_SECTION* section, DWORD format, const string& entry) {
    // Whoever drains the queue fills this in, under the lock, before this
    // call takes the lock in turn; a record taken out otherwise leaves it
    // as it starts: not written.
    Delivery delivery;
    delivery.outcome.error = ERROR_CANCELLED;
    // Nobody is writing: the entry needs no place in the queue. Records that
    // others queued meanwhile go first.
    if (TryEnterCriticalSection(section)) {
        Entered held(section);
        Drain();
        Put(Record(format, entry, &delivery));
        if (delivery.thrown) std::rethrow_exception(delivery.thrown);
        return delivery.outcome;
    }
    Record* record = new Record(format, entry, &delivery);
    if (!queue_.Put(record)) {
        // The queue cannot grow: write this entry directly, in turn.
        ptr<Record> own(record);
        EnterCriticalSection(section);
        Entered held(section);
        Drain();
        Put(*own);
    } else {
        EnterCriticalSection(section);
        Entered held(section);
        Drain();
    }
    if (delivery.thrown) std::rethrow_exception(delivery.thrown);
    return delivery.outcome;
}

// Empties the queue whatever the target does: a record left in it would
// point at the frame of a caller that has returned.
void LogWriter::Drain() {
    while (Record* next = queue_.Get()) {
        ptr<Record> record(next);
        Put(*record);
    }
}

void LogWriter::Put(const Record& record) {
    Delivery delivery;
    try {
        delivery.outcome = target_->Put(record);
    } catch (...) {
        delivery = Delivery();
        delivery.thrown = std::current_exception();
    }
    if (record.delivery) *record.delivery = delivery;
}
