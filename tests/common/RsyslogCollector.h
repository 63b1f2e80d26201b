// RsyslogCollector: a real rsyslogd for the tests, on free ports of
// 127.0.0.1, with a configuration and a work folder of its own in a scratch
// folder. It takes RFC 6587 frames over TCP (imtcp) and RELP (imrelp) and
// writes each message as one line, "STRUCTURED-DATA MSG", the message's
// control characters as rsyslog shows them ("#015" for CR); its main queue
// is direct, so a message is written before RELP acknowledges it.
//
// Wine starts the Unix program (CreateProcessW with its Unix path) but
// cannot wait on it: it is known by its pid file, ready when both ports
// take a connection, stopped by /bin/kill and gone when its ports refuse
// and its pid file is removed; every wait is bounded. The destructor
// stops it and removes the folder.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/Scratch.h"

// One line the collector wrote, taken apart.
struct CollectedMessage {
    std::string spool, user;       // the parameters as sent (escapes undone)
    unsigned long long seq = 0;
    std::string text;              // after the byte-order mark, "#ooo" undone
    std::string line;              // as written
};

class RsyslogCollector {
public:
    RsyslogCollector();
    ~RsyslogCollector();
    RsyslogCollector(const RsyslogCollector&) = delete;
    RsyslogCollector& operator=(const RsyslogCollector&) = delete;

    // Starts rsyslogd (again, on the same ports) and waits until it takes
    // connections; false with error when it does not within 20 s.
    bool Start();
    // Stops it and waits (20 s at most) until it is gone.
    bool Stop();
    bool Running() const { return pid_ != 0; }

    unsigned short TcpPort() const { return tcpPort_; }
    unsigned short RelpPort() const { return relpPort_; }
    // What it wrote so far, line by line.
    std::vector<CollectedMessage> Messages() const;
    // Waits (bounded) until it wrote at least count lines.
    bool WaitMessages(size_t count, DWORD milliseconds) const;

    std::string error;

private:
    bool WriteConfiguration();
    bool Launch();

    Scratch scratch_;
    std::string unixFolder_;  // the scratch folder's Unix path, with a closing "/"
    unsigned short tcpPort_ = 0, relpPort_ = 0;
    unsigned long pid_ = 0;
};

// The Unix path Wine gives a Windows one; empty when it has none.
std::string UnixPathOf(const std::string& windowsPath);
// A port of 127.0.0.1 no one listens on now (0 when none could be had).
unsigned short FreePort();
// Whether something on 127.0.0.1 takes a connection on port (within 1 s),
// and with relp a RELP session as well (within 2 s more).
bool Accepts(unsigned short port, bool relp = false);
