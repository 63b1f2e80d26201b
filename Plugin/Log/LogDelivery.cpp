#include "Log/LogDelivery.h"

#include <lmcons.h>
#include <process.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include <Trevan/CriticalSection.h>
#include <exceptions.h>
#include <owned.h>

#include "Log/JsonLogEntry.h"
#include "Log/LogFile.h"
#include "Log/ScriptLog.h"

namespace {

enum Result { Idle, Progress, Failed };

const DWORD GATHER_MS = 20;

bool SameAddress(const CollectorAddress& a, const CollectorAddress& b) {
    return a.protocol == b.protocol && a.port == b.port && string::Compare(a.host, b.host) == 0;
}

}  // namespace

SpoolRecord DroppedNotice(const SpoolRecord& next, unsigned long long dropped) {
    SpoolRecord notice = next;
    wchar_t text[80];
    swprintf(text, 80, L"Журнал переполнен: пропущено %llu записей", dropped);
    notice.entry.text = text;
    // Numbered apart from the entries: no entry's id is taken twice.
    notice.entry.sequence = 0;
    notice.entry.limit = 0xFFFFFFFF;
    if (notice.json) {
        notice.line = JsonLogEntry(notice.entry) + "\r\n";
    } else {
        char narrow[80];
        snprintf(narrow, sizeof narrow, "Журнал переполнен: пропущено %llu записей", dropped);
        notice.line = TextLogLine(notice.entry.time, string(narrow), 0xFFFFFFFF);
    }
    return notice;
}

// The offset from UTC now, read again when the local hour changed: it
// changes only on an hour (summer time), and reading it costs more than
// the rest of an entry under Wine. Packed into one value, so that threads
// see a pair that belongs together.
static LONG UtcOffsetNow() {
    static volatile LONG64 cached = 0;  // YYYYMMDDHH << 16 | offset + 0x8000
    SYSTEMTIME now;
    GetLocalTime(&now);
    const LONG64 hour = ((now.wYear * 100LL + now.wMonth) * 100 + now.wDay) * 100 + now.wHour;
    LONG64 seen = InterlockedCompareExchange64(&cached, 0, 0);
    if (seen >> 16 == hour) return static_cast<LONG>(seen & 0xFFFF) - 0x8000;
    SYSTEMTIME local;
    LONG offset = 0;
    LocalNow(local, offset);
    InterlockedExchange64(&cached, hour << 16 | ((offset + 0x8000) & 0xFFFF));
    return offset;
}

SpoolRecord SpooledEntry(const LogRoute& route, const string& path, DWORD limit, LogFormat format,
                         const basic_text<wchar_t>& wide, const string& narrow, const basic_text<wchar_t>& computer) {
    SpoolRecord record;
    LogEntry& entry = record.entry;
    entry.time = route.now;
    entry.utcOffsetMinutes = UtcOffsetNow();
    entry.computer = computer;
    wchar_t user[UNLEN + 1] = L"";
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(user, &size)) user[0] = 0;
    entry.user = user;
    entry.pid = GetCurrentProcessId();
    entry.text = wide;
    entry.limit = limit;
    record.json = format == LogFormat::Json;
    record.toCollector = route.collector.protocol != CollectorAddress::None;
    record.path = path;
    record.line = record.json ? JsonLogEntry(entry) + "\r\n" : TextLogLine(entry.time, narrow, limit);
    return record;
}

struct LogDelivery::State {
    State(const std::wstring& folder, unsigned long long bound, LinkMaker makeLink, MessageMaker makeMessage)
        : folder(folder), own(folder, bound), makeLink(makeLink), makeMessage(makeMessage) {}

    const std::wstring folder;
    LogSpool own;
    const LinkMaker makeLink;
    const MessageMaker makeMessage;
    KernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    volatile LONG adopting = 1;  // until the orphans are found
    volatile LONG sleeping = 0;  // the thread is about to wait: a Write wakes it

    Trevan::CriticalSection lock;  // what follows, to the thread's part
    CollectorAddress collector;
    string failure[LogSpool::Destinations];

    // The thread's own. Each spool's destinations are tried again on their
    // own, so that a file of an old spool that never comes back holds up
    // no other.
    struct Tries {
        unsigned failures[LogSpool::Destinations] = {};
        ULONGLONG retryAt[LogSpool::Destinations] = {};
    };
    std::vector<std::unique_ptr<LogSpool>> adopted;
    std::vector<Tries> adoptedTries;
    Tries ownTries;
    volatile LONG adoptedLeft = 0;
    LogFile file;
    ptr<CollectorLink> link;
    CollectorAddress linkAddress;

    void Run();
    Result Deliver(LogSpool& spool, LogSpool::Destination to);
    Result ToFile(LogSpool& spool);
    Result ToCollector(LogSpool& spool);
    string Message(const LogEntry& entry) { return makeMessage ? makeMessage(entry) : CollectorMessage(entry); }
    void Failure(LogSpool::Destination to, const string& reason) {
        Trevan::Lock hold(lock);
        failure[to] = reason;
    }
};

Result LogDelivery::State::Deliver(LogSpool& spool, LogSpool::Destination to) {
    try {
        return to == LogSpool::File ? ToFile(spool) : ToCollector(spool);
    } catch (const KelmirException& failure) {
        Failure(to, failure.Reason());
    } catch (...) {
        Failure(to, "Не удалось доставить запись журнала");
    }
    return Failed;
}

Result LogDelivery::State::ToFile(LogSpool& spool) {
    std::vector<SpoolRecord> records;
    unsigned long long dropped = 0;
    spool.Pending(LogSpool::File, BATCH, records, dropped);
    if (records.empty()) return Idle;
    // One write for the entries of one file.
    size_t count = 1;
    while (count < records.size() && string::Compare(records[count].path, records[0].path) == 0) ++count;
    const string& path = records[0].path;
    if (!path.empty()) {
        string notice = dropped ? DroppedNotice(records[0], dropped).line : string("");
        size_t length = notice.length();
        for (size_t i = 0; i < count; ++i) length += records[i].line.length();
        char* text = new char[length + 1];
        char* at = text;
        for (size_t i = 0; i <= count; ++i) {
            const string& line = i == 0 ? notice : records[i - 1].line;
            if (line.length()) memcpy(at, line.c_str(), line.length());
            at += line.length();
        }
        *at = 0;
        file.SetPath(path);
        Jotter::Outcome outcome = file.Put(LogWriter::Record(6, string::Adopt(text)));
        if (outcome.error) {
            Failure(LogSpool::File, FileWriteError(outcome.error, outcome.path).Reason());
            return Failed;
        }
    }
    // The log is off for an entry without a path: taken as written.
    spool.Taken(LogSpool::File, count, dropped);
    return Progress;
}

Result LogDelivery::State::ToCollector(LogSpool& spool) {
    CollectorAddress address;
    {
        Trevan::Lock hold(lock);
        address = collector;
    }
    // No collector: everything counts as taken, without a look.
    if (address.protocol == CollectorAddress::None) return spool.TakeAll(LogSpool::Collector) ? Progress : Idle;
    std::vector<SpoolRecord> records;
    unsigned long long dropped = 0;
    spool.Pending(LogSpool::Collector, COLLECTOR_BATCH, records, dropped);
    if (records.empty()) return Idle;
    std::vector<string> messages;
    std::vector<size_t> sent;  // the record of each message
    for (size_t i = 0; i < records.size(); ++i) {
        if (!records[i].toCollector) continue;
        if (dropped && messages.empty()) {
            messages.push_back(Message(DroppedNotice(records[i], dropped).entry));
            sent.push_back(i);
        }
        messages.push_back(Message(records[i].entry));
        sent.push_back(i);
    }
    if (messages.empty()) {
        // Nothing for a collector: taken; a count of dropped ones waits
        // for an entry that goes to one.
        spool.Taken(LogSpool::Collector, records.size(), 0);
        return Progress;
    }
    if (!link || !SameAddress(address, linkAddress)) {
        link = makeLink ? makeLink(address) : OpenCollectorLink(address).Detach();
        linkAddress = address;
    }
    string reason;
    size_t taken = link ? link->Send(messages, SEND_TIMEOUT_MS, reason) : 0;
    if (!link) reason = "Нет связи со сборщиком журнала";
    if (taken >= messages.size()) {
        spool.Taken(LogSpool::Collector, records.size(), dropped);
        return Progress;
    }
    // The records before the first message not taken; a notice taken
    // counts as told.
    size_t notice = dropped ? 1 : 0;
    spool.Taken(LogSpool::Collector, sent[taken], taken > 0 ? dropped : 0);
    if (taken > notice) {
        // Some went: not yet a failure, the rest goes at once.
        return Progress;
    }
    Failure(LogSpool::Collector, reason);
    return Failed;
}

void LogDelivery::State::Run() {
    try {
        for (LogSpool* spool : LogSpool::Orphans(folder, own.Id())) adopted.emplace_back(spool);
    } catch (...) {
        // Memory only: whatever was found stays for the next start.
    }
    adoptedTries.resize(adopted.size());
    adoptedLeft = static_cast<LONG>(adopted.size());
    InterlockedExchange(&adopting, 0);
    for (;;) {
        const unsigned long long written = own.Written();
        DWORD wait = INFINITE;
        bool more = false;
        // The adopted spools first, oldest first, then this one, which waits
        // for them. At the collector it waits while any of them has entries
        // left, failing or not: one collector takes them all, and a writer's
        // entries from before a restart must reach it before those after.
        // At the files it waits only for those that make progress, so that a
        // file of an old spool that never comes back holds up no other.
        bool ahead[LogSpool::Destinations] = {};
        for (size_t i = 0; i <= adopted.size(); ++i) {
            LogSpool& spool = i < adopted.size() ? *adopted[i] : own;
            Tries& tries = i < adopted.size() ? adoptedTries[i] : ownTries;
            for (int to = 0; to < LogSpool::Destinations; ++to) {
                if (i == adopted.size() && ahead[to]) continue;
                const bool held = i < adopted.size() && to == LogSpool::Collector;
                ULONGLONG now = GetTickCount64();
                if (now < tries.retryAt[to]) {
                    wait = std::min<DWORD>(wait, static_cast<DWORD>(tries.retryAt[to] - now));
                    if (held) ahead[to] = true;
                    continue;
                }
                LogSpool::Destination destination = static_cast<LogSpool::Destination>(to);
                Result result = Deliver(spool, destination);
                if (held && result != Idle) ahead[to] = true;
                if (result == Failed) {
                    // 1 s, 2 s, 4 s ... 60 s.
                    unsigned shift = std::min(tries.failures[to]++, 6u);
                    DWORD delay = std::min<DWORD>(1000u << shift, 60000u);
                    tries.retryAt[to] = GetTickCount64() + delay;
                    wait = std::min(wait, delay);
                } else if (result == Progress) {
                    more = true;
                    ahead[to] = true;
                    if (tries.failures[to]) Failure(destination, string(""));
                    tries.failures[to] = 0;
                }
            }
        }
        // Adopted spools delivered everywhere are gone for good.
        for (size_t i = 0; i < adopted.size();) {
            if (adopted[i]->Done()) {
                adopted[i]->Remove();
                adopted.erase(adopted.begin() + static_cast<long>(i));
                adoptedTries.erase(adoptedTries.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        InterlockedExchange(&adoptedLeft, static_cast<LONG>(adopted.size()));
        if (!more) {
            // An entry appended before the flag was set woke nobody: it is
            // seen here. One appended after sets the event.
            InterlockedExchange(&sleeping, 1);
            if (own.Written() != written) {
                InterlockedExchange(&sleeping, 0);
                more = true;
            }
        }
        HANDLE events[2] = {stop.get(), wake.get()};
        DWORD woke = WaitForMultipleObjects(2, events, FALSE, more ? 0 : wait);
        InterlockedExchange(&sleeping, 0);
        if (woke == WAIT_OBJECT_0) break;
        // Woken by an entry: those that follow it closely go in the same
        // batch, and the writers wake the thread seldom.
        if (woke == WAIT_OBJECT_0 + 1 && WaitForSingleObject(stop.get(), GATHER_MS) == WAIT_OBJECT_0) break;
    }
    // Fully delivered, this spool leaves nothing behind.
    if (own.Done()) own.Remove();
}

namespace {
struct Start {
    std::shared_ptr<LogDelivery::State> state;
    HMODULE module;
};

unsigned __stdcall Deliverer(void* argument) {
    Start* start = static_cast<Start*>(argument);
    HMODULE module = start->module;
    start->state->Run();
    delete start;
    // The module stays loaded while its code runs.
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
}
}  // namespace

LogDelivery::LogDelivery(const std::wstring& folder, unsigned long long bound, const CollectorAddress& collector,
                         LinkMaker makeLink, MessageMaker makeMessage)
    : state_(std::make_shared<State>(folder, bound, makeLink, makeMessage)), thread_(nullptr) {
    state_->collector = collector;
    Start* start = new Start{state_, nullptr};
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Deliverer),
                       &start->module);
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Deliverer, start, 0, nullptr));
    if (!thread_) {
        if (start->module) FreeLibrary(start->module);
        delete start;
        THROW_LAST_ERROR_IF(true);
    }
}

LogDelivery::~LogDelivery() {
    SetEvent(state_->stop.get());
    WaitForSingleObject(thread_, STOP_WAIT_MS);
    CloseHandle(thread_);
}

void LogDelivery::Write(SpoolRecord& record, const CollectorAddress& collector, unsigned long long bound) {
    {
        Trevan::Lock hold(state_->lock);
        if (!SameAddress(collector, state_->collector)) state_->collector = collector;
    }
    state_->own.SetBound(bound);
    state_->own.Append(record);
    // A thread at work sees the entry when its round ends.
    if (InterlockedExchange(&state_->sleeping, 0)) SetEvent(state_->wake.get());
}

string LogDelivery::Failure(LogSpool::Destination to) {
    Trevan::Lock hold(state_->lock);
    return state_->failure[to];
}

bool LogDelivery::Delivered() { return !state_->adopting && !state_->adoptedLeft && state_->own.Done(); }

const std::string& LogDelivery::SpoolId() const { return state_->own.Id(); }
