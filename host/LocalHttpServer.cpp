#include "LocalHttpServer.h"

#include <ws2tcpip.h>

#include <stdlib.h>

#include <algorithm>
#include <string.h>

std::string HttpAnswer(const char* status, const std::string& headers, const std::string& body) {
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           headers + "\r\n" + body;
}

unsigned long long BodySum(const void* bytes, size_t size, unsigned long long sum) {
    const unsigned char* at = static_cast<const unsigned char*>(bytes);
    for (size_t k = 0; k < size; ++k) sum = (sum ^ at[k]) * 1099511628211ull;
    return sum;
}

HttpReply PatternReply(unsigned long long size, unsigned long long sent) {
    HttpReply reply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n");
    reply.patternSize = size;
    reply.patternSent = sent;
    return reply;
}

LocalHttpServer::LocalHttpServer(Answer answer, unsigned short port, EarlyAnswer early)
    : answer_(std::move(answer)), early_(std::move(early)), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      answered_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    WSADATA data;
    if ((error = WSAStartup(MAKEWORD(2, 2), &data)) != 0) return;
    started_ = true;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int size = sizeof address;
    if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        listen(listener_, SOMAXCONN) || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size)) {
        error = WSAGetLastError();
        return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

LocalHttpServer::~LocalHttpServer() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
        SetEvent(stop_);
    }
    // The threads look at the event at least every tenth of a second.
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& thread : threads_) thread.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    for (SOCKET connection : connections_)
        if (connection != INVALID_SOCKET) closesocket(connection);
    if (started_) WSACleanup();
    CloseHandle(stop_);
    CloseHandle(answered_);
}

std::string LocalHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int LocalHttpServer::Answered() {
    std::lock_guard<std::mutex> hold(mutex_);
    return count_;
}

bool LocalHttpServer::WaitAnswered(int count, DWORD milliseconds) {
    ULONGLONG end = GetTickCount64() + milliseconds;
    while (Answered() < count) {
        ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        WaitForSingleObject(answered_, static_cast<DWORD>(end - now));
    }
    return true;
}

// Whether socket has something to read, looking every tenth of a second
// until stop is set: a socket closed under a thread that waits in it does
// not wake the thread everywhere.
static bool Readable(SOCKET socket, HANDLE stop) {
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval tenth = {0, 100000};
        int ready = select(0, &set, nullptr, nullptr, &tenth);
        if (ready) return ready > 0;
    }
    return false;
}

void LocalHttpServer::Accept() {
    for (;;) {
        if (!Readable(listener_, stop_)) return;
        SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) return;
        std::lock_guard<std::mutex> hold(mutex_);
        if (stopping_) {
            closesocket(connection);
            return;
        }
        connections_.push_back(connection);
        threads_.emplace_back([this, connection] { Serve(connection); });
    }
}

// The value of header name (case ignored) in the header lines; empty when missing.
static std::string HeaderValue(const std::string& headers, const char* name) {
    size_t length = strlen(name);
    for (size_t at = 0; at < headers.size();) {
        size_t end = headers.find("\r\n", at);
        if (end == std::string::npos) end = headers.size();
        if (end - at > length && headers[at + length] == ':' && _strnicmp(&headers[at], name, length) == 0) {
            size_t value = headers.find_first_not_of(' ', at + length + 1);
            return value < end ? headers.substr(value, end - value) : std::string();
        }
        at = end + 2;
    }
    return std::string();
}

// The longest an unanswered request is held.
static const DWORD holdTime = 300000;

// Sends the reply, its body at its pace; false when the client has gone
// or the server stops.
bool LocalHttpServer::Reply(SOCKET connection, const HttpReply& reply) {
    const std::string& text = reply.text;
    size_t head = reply.pace ? text.find("\r\n\r\n") + 4 : text.size();
    for (size_t sent = 0; sent < text.size();) {
        if (sent >= head && WaitForSingleObject(stop_, reply.pace) != WAIT_TIMEOUT) return false;
        size_t piece = sent < head ? head - sent : 1;
        int put = send(connection, text.data() + sent, static_cast<int>(piece), 0);
        if (put <= 0) return false;
        sent += put;
    }
    if (!reply.patternSize) return true;
    // 64 KiB of the pattern from any offset: the pattern from offset % 251.
    static const size_t piece = 65536;
    std::string pattern(piece + 251, '\0');
    for (size_t k = 0; k < pattern.size(); ++k) pattern[k] = PatternByte(k);
    unsigned long long end = reply.patternSize < reply.patternSent ? reply.patternSize : reply.patternSent;
    for (unsigned long long at = 0; at < end;) {
        if (WaitForSingleObject(stop_, 0) != WAIT_TIMEOUT) return false;
        unsigned long long size = end - at < piece ? end - at : piece;
        if (at <= reply.holdAt && reply.holdAt < at + size) {
            if (at < reply.holdAt) size = reply.holdAt - at;
            else if (reply.hold) reply.hold();
        }
        int put = send(connection, pattern.data() + at % 251, static_cast<int>(size), 0);
        if (put <= 0) return false;
        at += put;
    }
    if (end == reply.patternSize) return true;
    shutdown(connection, SD_SEND);
    CountAnswer();
    return false;
}

void LocalHttpServer::CountAnswer() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        ++count_;
    }
    SetEvent(answered_);
}

// Closes the connection now, with what the client sent unread (the client
// sees it reset), instead of when the server stops.
void LocalHttpServer::Close(SOCKET connection) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (SOCKET& kept : connections_)
        if (kept == connection) kept = INVALID_SOCKET;
    closesocket(connection);
}

void LocalHttpServer::Serve(SOCKET connection) {
    std::string pending;
    char chunk[16384];
    for (;;) {
        // The request line and headers, then the body.
        size_t head;
        while ((head = pending.find("\r\n\r\n")) == std::string::npos) {
            int got = Readable(connection, stop_) ? recv(connection, chunk, sizeof chunk, 0) : 0;
            if (got <= 0) return;
            pending.append(chunk, got);
        }
        HttpExchange request;
        size_t lineEnd = pending.find("\r\n");
        std::string line = pending.substr(0, lineEnd);
        size_t space = line.find(' ');
        request.method = line.substr(0, space);
        request.path = line.substr(space + 1, line.rfind(' ') - space - 1);
        request.headers = pending.substr(lineEnd + 2, head + 2 - lineEnd - 2);
        std::string early = early_ ? early_(request) : std::string();
        if (!early.empty()) {
            if (Reply(connection, early)) CountAnswer();
            Close(connection);
            return;
        }
        unsigned long long length = strtoull(HeaderValue(request.headers, "Content-Length").c_str(), nullptr, 10);
        pending.erase(0, head + 4);
        request.bodySize = length;
        request.bodySum = BodySum(nullptr, 0);
        auto take = [&request](const char* bytes, size_t size) {
            request.bodySum = BodySum(bytes, size, request.bodySum);
            const size_t kept = 16 << 20;
            if (request.body.size() < kept) request.body.append(bytes, std::min(size, kept - request.body.size()));
        };
        size_t first = static_cast<size_t>(std::min<unsigned long long>(pending.size(), length));
        take(pending.data(), first);
        pending.erase(0, first);
        for (unsigned long long taken = first; taken < length;) {
            int got = Readable(connection, stop_) ? recv(connection, chunk, sizeof chunk, 0) : 0;
            if (got <= 0) return;
            size_t used = static_cast<size_t>(std::min<unsigned long long>(got, length - taken));
            take(chunk, used);
            pending.append(chunk + used, got - used);
            taken += used;
        }
        HttpReply reply = answer_(request);
        if (reply.text.empty()) {
            // The destructor sets it; the bound only keeps a forgotten server from holding on.
            WaitForSingleObject(stop_, holdTime);
            return;
        }
        if (!Reply(connection, reply)) return;
        CountAnswer();
        const std::string& answer = reply.text;
        std::string answerHead = answer.substr(0, answer.find("\r\n\r\n") + 2);
        if (answerHead.find("\r\nConnection: close\r\n") != std::string::npos) {
            shutdown(connection, SD_SEND);
            return;
        }
    }
}
