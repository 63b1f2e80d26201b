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
// closed with the body unread. A reply's body may be made as it is sent,
// of any size: a repeating pattern (PatternByte), cut short on request, with
// a call of the test's own at a given byte; a request's body past 16 MiB is
// counted and summed, not kept. Stopping (the destructor) closes every
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
    std::string body;          // its first 16 MiB
    unsigned long long bodySize = 0;
    unsigned long long bodySum = 0;  // BodySum of every byte
};

// FNV-1a (64 bits) of bytes, going on from sum (start with BodySum(nullptr, 0)).
unsigned long long BodySum(const void* bytes, size_t size, unsigned long long sum = 14695981039346656037ull);

// The byte at offset of a pattern body.
inline char PatternByte(unsigned long long offset) { return static_cast<char>(offset % 251); }

// "HTTP/1.1 STATUS\r\n", Content-Length, headers (lines ending in "\r\n"),
// the empty line and body: a whole answer.
std::string HttpAnswer(const char* status, const std::string& headers, const std::string& body);

// An answer as it is sent: text at once, or with pace its head at once and
// then the body a byte every pace milliseconds.
struct HttpReply {
    HttpReply(std::string answer, DWORD bytePace = 0) : text(std::move(answer)), pace(bytePace) {}
    std::string text;
    DWORD pace;
    // A pattern body after text (its head): size bytes, of which only sent
    // go before the server closes; hold is called before byte holdAt goes.
    unsigned long long patternSize = 0, patternSent = ~0ull, holdAt = ~0ull;
    std::function<void()> hold;
};

// "200 OK" with a pattern body of size bytes (Content-Length size), cut
// after sent.
HttpReply PatternReply(unsigned long long size, unsigned long long sent = ~0ull);

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
