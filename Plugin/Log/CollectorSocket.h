// CollectorSocket: the one connection of a collector link (TcpCollectorLink,
// RelpCollectorLink), with what both need of Winsock: the name looked up
// and connected within a time limit, reads and writes that never wait (the
// caller waits in Wait, with what is left of its limit), and the link's
// failure texts, "Не удалось передать журнал сборщику (WHY): tcp://HOST:PORT".
// Nothing here throws but for lack of memory.
#pragma once

// winsock2.h before windows.h, which the other headers bring.
#include <winsock2.h>
#include <windows.h>

#include <owned.h>
#include <str.h>

#include "Log/Collector.h"

struct SocketTraits {
    typedef SOCKET Type;
    static SOCKET None() { return INVALID_SOCKET; }
    static bool IsEmpty(SOCKET socket) { return socket == INVALID_SOCKET; }
    static void Close(SOCKET socket) { closesocket(socket); }
};
typedef owned<SocketTraits> Socket;

// A time limit as the tick count at which it ends.
class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : end_(GetTickCount64() + milliseconds) {}
    // Milliseconds left, 0 once it passed.
    DWORD Left() const {
        ULONGLONG now = GetTickCount64();
        return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
    }

private:
    ULONGLONG end_;
};

class CollectorSocket {
public:
    explicit CollectorSocket(const CollectorAddress& address);
    ~CollectorSocket();
    CollectorSocket(const CollectorSocket&) = delete;
    CollectorSocket& operator=(const CollectorSocket&) = delete;

    bool Connected() const { return static_cast<bool>(socket_); }
    // Looks the host up and connects to the first of its addresses that
    // answers, non-blocking, before deadline (timeoutMs the whole limit, for
    // the text). False: reason says why, and nothing is connected.
    bool Connect(const Deadline& deadline, DWORD timeoutMs, string& reason);
    void Drop() { socket_.Close(); }

    // Waits until the connection can be read, or written when write is
    // asked, or deadline passes (false, nothing ready); once it has passed,
    // false at once, whatever the connection could do.
    bool Wait(bool write, const Deadline& deadline, bool& readable, bool& writable);
    // Whether the connection can be read now, when the link awaits
    // nothing: the collector closed or reset it, or wrote what it should
    // not have. Either way it is of no more use.
    bool Stale();
    // What the system takes of size bytes now: their count, or -1 with
    // the socket error (never WSAEWOULDBLOCK: 0 then).
    int Write(const char* data, size_t size, int& error);
    // What waits to be read, up to size bytes: their count, 0 when the
    // peer closed, -1 with the error (never WSAEWOULDBLOCK: -1 and 0).
    int Read(char* buffer, size_t size, int& error);

    // "Не удалось передать журнал сборщику (why): NAME".
    string Failure(const char* why) const;
    // The failure of a socket error: the connection broken, refused, or
    // "ошибка N".
    string ErrorFailure(int error) const;
    // The failure of a limit passed: "нет ответа за N мс".
    string TimeFailure(DWORD timeoutMs) const;

private:
    // The select behind Wait, for milliseconds (0: a look without waiting).
    bool Ready(bool write, DWORD milliseconds, bool& readable, bool& writable);
    CollectorAddress address_;
    string name_;  // "relp://HOST:PORT", an IPv6 host in brackets
    bool started_;  // WSAStartup succeeded
    Socket socket_;
};
