// The syslog collector the script log can deliver to, "Log Collector":
//   tcp://HOST:PORT   RFC 5424 messages in RFC 6587 octet-counted frames
//   relp://HOST:PORT  the same messages over RELP, each one acknowledged
// HOST a name or an IPv4 address, or an IPv6 address in brackets, with
// environment references expanded; PORT 1 to 65535. The scheme is
// compared without regard to case. An empty value names no collector.
#pragma once

#include <windows.h>

#include <vector>

#include <refs.h>
#include <str.h>

#include "Log/LogEntry.h"

struct CollectorAddress {
    enum Protocol { None, Tcp, Relp } protocol = None;
    string host;  // expanded, without brackets
    unsigned short port = 0;
};

// The collector a "Log Collector" value names (protocol None for an empty
// one). A value that names none throws KLAppException naming the setting
// and its value as ShownText shows it, before anything is sent anywhere.
CollectorAddress CollectorOf(const string& value);

// The RFC 5424 message of an entry, without a frame: PRI <14> (user,
// informational), the entry's time with milliseconds and its UTC offset,
// HOSTNAME the computer, APP-NAME aRvik, PROCID the pid, MSGID script,
// structured data with the user and the entry's id (spoolId and sequence),
// and the text in UTF-8 after its byte-order mark, cut as "Max LogText"
// cuts it and further so that the whole message stays within
// MAX_COLLECTOR_MESSAGE bytes.
const size_t MAX_COLLECTOR_MESSAGE = 8000;
string CollectorMessage(const LogEntry& entry);

// A connection to one collector, used by one thread at a time (the log's
// delivery thread, never a script's). It connects when it has something to
// send and keeps the connection for the next call; a broken one is
// dropped and made again by the next call.
class CollectorLink {
public:
    virtual ~CollectorLink() {}
    // Sends messages (CollectorMessage texts) in order and returns how many
    // of the first ones the collector took: over RELP those acknowledged
    // with 200, over TCP those written whole to the connection. Fewer than
    // all: reason says why (in Russian, naming the collector: "Не удалось
    // передать журнал сборщику (WHY): relp://HOST:PORT", docs/failures.md),
    // and the connection is dropped; otherwise reason is empty. Returns
    // within about timeoutMs whatever the collector does; never throws.
    virtual size_t Send(const std::vector<string>& messages, DWORD timeoutMs, string& reason) = 0;
};

// A link to address (protocol Tcp or Relp); connects on first Send.
ptr<CollectorLink> OpenCollectorLink(const CollectorAddress& address);
