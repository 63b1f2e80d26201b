// LocalHttpServer: a small HTTP/1.1 server on 127.0.0.1 for the tests, the
// benchmark and the example script, so that a request never leaves the
// machine. A thread accepts; each connection has a thread of its own that
// reads requests (a body by its Content-Length) and writes the answer the
// server was given for each, keeping the connection until the client
// closes it or the answer says "Connection: close".
//
// An empty answer holds the connection unanswered until the server stops
// (five minutes at most): a server that never answers. A reply may trickle
// its body, a byte at a time; an early answer, given the request line and
// headers before the body is read, is sent at once and the connection
// closed with the body unread. Stopping (the destructor) closes every
// socket and joins every thread, so nothing outlives the object.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One request as it arrived.
struct HttpExchange {
    std::string method, path;
    std::string headers;  // the header lines as sent, each ending in "\r\n"
    std::string body;
};

// "HTTP/1.1 STATUS\r\n", Content-Length, headers (lines ending in "\r\n"),
// the empty line and body: a whole answer.
std::string HttpAnswer(const char* status, const std::string& headers, const std::string& body);

// An answer as it is sent: text at once, or with pace its head at once and
// then the body a byte every pace milliseconds.
struct HttpReply {
    HttpReply(std::string answer, DWORD bytePace = 0) : text(std::move(answer)), pace(bytePace) {}
    std::string text;
    DWORD pace;
};

class LocalHttpServer {
public:
    using Answer = std::function<HttpReply(const HttpExchange&)>;
    // Called before the body is read (HttpExchange::body empty); a text
    // that is not empty is the answer, and the connection ends after it.
    using EarlyAnswer = std::function<std::string(const HttpExchange&)>;

    // Listens on port (0: one the system chooses); error is the socket
    // error when it cannot, and the server then answers nothing.
    explicit LocalHttpServer(Answer answer, unsigned short port = 0, EarlyAnswer early = nullptr);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    unsigned short Port() const { return port_; }
    // "http://127.0.0.1:PORT" and path.
    std::string Url(const std::string& path) const;
    // Requests answered so far.
    int Answered();
    // Waits at most milliseconds until count requests are answered.
    bool WaitAnswered(int count, DWORD milliseconds);

    int error = 0;

private:
    void Accept();
    void Serve(SOCKET connection);
    bool Reply(SOCKET connection, const HttpReply& reply);
    void CountAnswer();
    void Close(SOCKET connection);

    Answer answer_;
    EarlyAnswer early_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE stop_, answered_;  // manual-reset events
    std::mutex mutex_;
    std::vector<SOCKET> connections_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
    int count_ = 0;
    bool started_ = false, stopping_ = false;
};
