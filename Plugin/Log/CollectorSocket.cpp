#include "Log/CollectorSocket.h"

#include <ws2tcpip.h>

#include <ShownText.h>

#include <stdio.h>
#include <string.h>

namespace {

// One look-up of a name, on a thread of its own so that the caller waits
// only as long as its limit allows: a name server that does not answer
// keeps the thread, not the caller. Whoever of the two ends last frees it;
// the thread holds the module until it ends.
struct Lookup {
    string host, port;
    ADDRINFOA* result = nullptr;
    int error = 0;
    HANDLE done = nullptr;
    volatile LONG users = 2;

    void Release() {
        if (InterlockedDecrement(&users) != 0) return;
        if (result) freeaddrinfo(result);
        if (done) CloseHandle(done);
        delete this;
    }
    static DWORD WINAPI Run(void* argument) {
        Lookup* lookup = static_cast<Lookup*>(argument);
        lookup->Resolve();
        SetEvent(lookup->done);
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&Lookup::Run), &module);
        lookup->Release();
        FreeLibraryAndExitThread(module, 0);
        return 0;
    }
    void Resolve(int flags = 0) {
        ADDRINFOA hints = {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        hints.ai_flags = flags;
        error = getaddrinfo(host, port, &hints, &result);
        if (error) result = nullptr;
    }
};

// The addresses of host (an address itself at once, a name on a thread
// within the time left): null with error when there are none, or 0 when
// the limit passed first. Freed with freeaddrinfo.
ADDRINFOA* LookUp(const string& host, unsigned short port, const Deadline& deadline, int& error) {
    Lookup* lookup = new Lookup;
    char digits[8];
    snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(port));
    lookup->host = host;
    lookup->port = digits;
    lookup->Resolve(AI_NUMERICHOST);
    HMODULE module = nullptr;
    if (!lookup->result) {
        // The thread's hold on the module, given back as the thread ends.
        lookup->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (lookup->done && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                               reinterpret_cast<LPCWSTR>(&Lookup::Run), &module)) {
            HANDLE thread = CreateThread(nullptr, 0, &Lookup::Run, lookup, 0, nullptr);
            if (thread) {
                CloseHandle(thread);
                if (WaitForSingleObject(lookup->done, deadline.Left()) != WAIT_OBJECT_0) {
                    lookup->Release();
                    error = 0;
                    return nullptr;
                }
            } else {
                FreeLibrary(module);
                lookup->Resolve();
                lookup->users = 1;
            }
        } else {
            lookup->Resolve();
            lookup->users = 1;
        }
    } else {
        lookup->users = 1;
    }
    ADDRINFOA* result = lookup->result;
    error = result ? 0 : lookup->error ? lookup->error : WSAHOST_NOT_FOUND;
    lookup->result = nullptr;
    lookup->Release();
    return result;
}

}  // namespace

CollectorSocket::CollectorSocket(const CollectorAddress& address) : address_(address), started_(false) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    const char* scheme = address.protocol == CollectorAddress::Relp ? "relp://" : "tcp://";
    char port[8];
    snprintf(port, sizeof port, ":%u", static_cast<unsigned>(address.port));
    string host = TAXDK::Standard::ShownText(address.host);
    if (strchr(host, ':')) host = string("[") + host + "]";
    name_ = string(scheme) + host + port;
}

CollectorSocket::~CollectorSocket() {
    socket_.Close();
    if (started_) WSACleanup();
}

bool CollectorSocket::Connect(const Deadline& deadline, DWORD timeoutMs, string& reason) {
    socket_.Close();
    if (!started_) {
        reason = ErrorFailure(WSANOTINITIALISED);
        return false;
    }
    int error = 0;
    ADDRINFOA* addresses = LookUp(address_.host, address_.port, deadline, error);
    if (!addresses) {
        reason = error ? Failure("нет такого узла") : TimeFailure(timeoutMs);
        return false;
    }
    bool timedOut = false;
    for (ADDRINFOA* a = addresses; a && !socket_; a = a->ai_next) {
        Socket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        u_long nonBlocking = 1;
        if (!s || ioctlsocket(s.get(), FIONBIO, &nonBlocking)) {
            error = WSAGetLastError();
            continue;
        }
        BOOL on = TRUE;
        setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        if (connect(s.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
            socket_ = std::move(s);
            break;
        }
        error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) continue;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s.get(), &writable);
        FD_SET(s.get(), &failed);
        DWORD left = deadline.Left();
        timeval wait = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
        int ready = select(0, nullptr, &writable, &failed, &wait);
        if (ready == 0) {
            timedOut = true;
            break;
        }
        int soError = 0, size = sizeof soError;
        if (ready < 0) {
            error = WSAGetLastError();
        } else if (getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &size) != 0) {
            error = WSAGetLastError();
        } else if (soError != 0 || FD_ISSET(s.get(), &failed)) {
            error = soError ? soError : WSAECONNREFUSED;
        } else {
            socket_ = std::move(s);
        }
    }
    freeaddrinfo(addresses);
    if (socket_) return true;
    reason = timedOut ? TimeFailure(timeoutMs) : ErrorFailure(error);
    return false;
}

bool CollectorSocket::Wait(bool write, const Deadline& deadline, bool& readable, bool& writable) {
    // Once the limit has passed nothing counts as ready: a collector that
    // keeps the connection busy (trickling answers, sending what nobody
    // asked) would otherwise hold the caller past its limit.
    DWORD left = deadline.Left();
    if (!left) {
        readable = writable = false;
        return false;
    }
    return Ready(write, left, readable, writable);
}

bool CollectorSocket::Ready(bool write, DWORD milliseconds, bool& readable, bool& writable) {
    fd_set reads, writes;
    FD_ZERO(&reads);
    FD_ZERO(&writes);
    FD_SET(socket_.get(), &reads);
    if (write) FD_SET(socket_.get(), &writes);
    timeval wait = {static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
    int ready = select(0, &reads, write ? &writes : nullptr, nullptr, &wait);
    // A failed wait shows as the connection ready: the read or write that
    // follows tells its reason.
    readable = ready < 0 || FD_ISSET(socket_.get(), &reads);
    writable = write && (ready < 0 || FD_ISSET(socket_.get(), &writes));
    return ready != 0;
}

bool CollectorSocket::Stale() {
    bool readable = false, writable = false;
    Ready(false, 0, readable, writable);
    return readable;
}

int CollectorSocket::Write(const char* data, size_t size, int& error) {
    int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    int sent = send(socket_.get(), data, chunk, 0);
    if (sent >= 0) return sent;
    error = WSAGetLastError();
    return error == WSAEWOULDBLOCK ? 0 : -1;
}

int CollectorSocket::Read(char* buffer, size_t size, int& error) {
    int got = recv(socket_.get(), buffer, size > 0x10000 ? 0x10000 : static_cast<int>(size), 0);
    error = got < 0 ? WSAGetLastError() : 0;
    return got;
}

string CollectorSocket::Failure(const char* why) const {
    return string("Не удалось передать журнал сборщику (") + why + "): " + name_;
}

string CollectorSocket::ErrorFailure(int error) const {
    switch (error) {
    case WSAECONNREFUSED: return Failure("соединение отклонено");
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
    case WSAESHUTDOWN:
    case WSAETIMEDOUT:
    case WSAENOTCONN: return Failure("соединение прервано");
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA: return Failure("нет такого узла");
    }
    char text[32];
    snprintf(text, sizeof text, "ошибка %d", error);
    return Failure(text);
}

string CollectorSocket::TimeFailure(DWORD timeoutMs) const {
    char text[48];
    snprintf(text, sizeof text, "нет ответа за %lu мс", static_cast<unsigned long>(timeoutMs));
    return Failure(text);
}
