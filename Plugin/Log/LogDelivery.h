// LogDelivery: the script log in spooled delivery (LogRoute.h), one per log
// object: its spool (LogSpool.h) and the thread that delivers it.
//
// Write, on the script's thread, appends the entry to the spool and wakes
// the thread: one WriteFile, and one SetEvent when the thread waits; it
// fails only when the spool cannot be written, and never waits for a
// delivery.
//
// The thread, started with the object, first adopts the spools of the
// folder that no process holds and delivers them, each under its own id,
// then this one's: at the collector only once they are all delivered there
// (so each writer's entries keep their order across a restart), at the
// files only behind those that make progress. Each destination in order, on its own: the text file
// (each record's path and line, appended as LogFile appends, folders made
// when missing) and the collector of the latest Write's settings (up to
// 2048 CollectorMessage texts a Send: the link keeps its own window, and a
// collector that answers a window late costs a pause per Send, not per
// 128 entries). After each batch the destination's
// progress is kept in the spool, so nothing it took goes to it again after
// a restart. A destination that fails is tried again after 1 s, 2 s, 4 s
// ... at most 60 s, the other going on meanwhile; the reason of its latest
// failure is kept (Failure). Entries written while no collector was named,
// and all while none is named, count as taken by the collector. When the
// spool dropped entries (its bound), the first entry each destination
// takes afterwards is preceded by the entry "Журнал переполнен: пропущено N
// записей", with the time, names and place of that entry.
//
// Destruction stops the thread, waiting at most STOP_WAIT_MS: a collector
// slower than that is left to its Send, and what the thread holds, the
// module included, stays until it ends. What was not delivered stays in
// the spool for the next start.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include <str.h>

#include "Log/Collector.h"
#include "Log/LogFormat.h"
#include "Log/LogRoute.h"
#include "Log/LogSpool.h"

class LogDelivery {
public:
    typedef std::function<CollectorLink*(const CollectorAddress&)> LinkMaker;
    typedef std::function<string(const LogEntry&)> MessageMaker;
    static const DWORD SEND_TIMEOUT_MS = 3000;
    static const DWORD STOP_WAIT_MS = 5000;
    static const size_t BATCH = 128;
    static constexpr size_t COLLECTOR_BATCH = 2048;

    // A spool of bound bytes in folder, for collector until a Write names
    // another (the adopted spools' entries go there too); links made by
    // makeLink (by OpenCollectorLink when empty), messages by makeMessage
    // (CollectorMessage when empty).
    LogDelivery(const std::wstring& folder, unsigned long long bound, const CollectorAddress& collector,
                LinkMaker makeLink = LinkMaker(), MessageMaker makeMessage = MessageMaker());
    ~LogDelivery();
    LogDelivery(const LogDelivery&) = delete;
    LogDelivery& operator=(const LogDelivery&) = delete;

    // record into the spool (its spool id and sequence set), collector and
    // bound (bytes) as the entry's settings say.
    void Write(SpoolRecord& record, const CollectorAddress& collector, unsigned long long bound);

    // The reason of the destination's latest failure; empty when its last
    // try succeeded.
    string Failure(LogSpool::Destination to);
    // Whether every spool the thread holds is delivered; tests wait on it.
    bool Delivered();
    const std::string& SpoolId() const;

    struct State;

private:
    std::shared_ptr<State> state_;
    HANDLE thread_;
};

// The record of one LogWrite: the entry at route.now with the text whole
// (wide), the user's and the process's names and ids as now, and the line
// of format for path (the text form's of narrow, the text in the ANSI code
// page).
SpoolRecord SpooledEntry(const LogRoute& route, const string& path, DWORD limit, LogFormat format,
                         const basic_text<wchar_t>& wide, const string& narrow, const basic_text<wchar_t>& computer);

// The entry that tells a destination how many entries it lost, with the
// time, names and place of the entry that follows it.
SpoolRecord DroppedNotice(const SpoolRecord& next, unsigned long long dropped);
