// The fuzzer's web server: host/LocalHttpServer on 127.0.0.1, answering by
// path (HostileValues.cpp draws them): plain answers in several charsets,
// statuses, bodies of 64 KiB and 17 MiB, redirects (to itself, in a loop,
// to a closed port, to ftp and https, without a Location), an answer that
// is no HTTP, a body shorter than its length, and answers held back (a
// request left unanswered, headers never ended) for short time limits.
//
// It runs in a process of its own, this program started with "--serve",
// so that its threads and sockets count in none of the fuzzer's figures;
// it ends when the fuzzer does.
#pragma once

#include <windows.h>

#include "HostileValues.h"

// The server's side: serves until the process parentId ends. Writes "PORT
// CLOSED\n" to its output once it listens (CLOSED: a port nothing listens
// on). The exit code: 0, or 1 when it could not listen.
int ServeFuzzRequests(DWORD parentId);

// The fuzzer's side: starts the server and waits for its ports (into
// context); false when it did not start.
class FuzzServer {
public:
    FuzzServer() = default;
    ~FuzzServer();
    FuzzServer(const FuzzServer&) = delete;
    FuzzServer& operator=(const FuzzServer&) = delete;

    bool Start(FuzzContext& context);
    // Ends the server's process.
    void Stop();

private:
    HANDLE process_ = nullptr;
};
