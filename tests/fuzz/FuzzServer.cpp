// Sockets before the system's other headers, as Windows wants them.
#include <winsock2.h>

#include "FuzzServer.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "LocalHttpServer.h"

namespace {

// A port nothing listens on: one the system gave a socket that is closed.
unsigned short ClosedPort() {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    unsigned short port = 1;
    if (probe != INVALID_SOCKET && !bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) &&
        !getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size))
        port = ntohs(address.sin_port);
    if (probe != INVALID_SOCKET) closesocket(probe);
    return port;
}

std::string Answer(const HttpExchange& request, unsigned port, unsigned closed) {
    std::string path = request.path.substr(0, request.path.find('?'));
    std::string self = "http://127.0.0.1:" + std::to_string(port);
    const std::string utf8 = "Content-Type: text/plain; charset=utf-8\r\n";
    auto redirect = [](const std::string& location) {
        return HttpAnswer("302 Found", "Location: " + location + "\r\n", "");
    };
    if (path == "/cp1251")
        return HttpAnswer("200 OK", "Content-Type: text/plain; charset=windows-1251\r\n", "\xCF\xF0\xE8\xE2\xE5\xF2");
    if (path == "/koi8") return HttpAnswer("200 OK", "Content-Type: text/plain; charset=koi8-r\r\n", "\xF0\xD2\xC9");
    if (path == "/unknown-charset")
        return HttpAnswer("200 OK", "Content-Type: text/plain; charset=x-fuzz\r\n", "\xFF\xFE\x00x");
    if (path == "/empty") return "HTTP/1.1 204 No Content\r\n\r\n";
    if (path == "/404") return HttpAnswer("404 Not Found", utf8, u8"нет");
    if (path == "/500") return HttpAnswer("500 Internal Server Error", utf8, "");
    if (path == "/64k") return HttpAnswer("200 OK", utf8, std::string(64 << 10, 'x'));
    if (path == "/big") {
        static const std::string big((17 << 20) + 5, 'y');
        return HttpAnswer("200 OK", utf8, big);
    }
    if (path == "/redirect") return redirect("/ok");
    if (path == "/redirect-loop") return redirect("/redirect-loop");
    if (path == "/redirect-closed") return redirect("http://127.0.0.1:" + std::to_string(closed) + "/");
    if (path == "/redirect-ftp") return redirect("ftp://127.0.0.1/");
    if (path == "/redirect-https") return redirect("https://127.0.0.1:" + std::to_string(port) + "/ok");
    if (path == "/redirect-none") return HttpAnswer("302 Found", "", "");
    if (path == "/garbage") return "NO HTTP HERE\r\n\r\n";
    if (path == "/short") return "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n0123456789";
    if (path == "/echo") return HttpAnswer("200 OK", utf8, request.body);
    // Held until the server stops (or five minutes): a short time limit ends it.
    if (path == "/hang") return std::string();
    // Headers that never end: the client waits for the rest.
    if (path == "/unfinished") return "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n";
    if (path.compare(0, 3, "/ok") == 0) return HttpAnswer("200 OK", utf8, u8"Привет, " + self);
    return HttpAnswer("404 Not Found", utf8, "");
}

}  // namespace

int ServeFuzzRequests(DWORD parentId) {
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentId);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    unsigned short closed = ClosedPort();
    unsigned port = 0;
    LocalHttpServer server([&port, closed](const HttpExchange& request) { return Answer(request, port, closed); });
    port = server.Port();
    std::string ports = std::to_string(server.error ? 0 : port) + " " + std::to_string(closed) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), ports.data(), static_cast<DWORD>(ports.size()), &written, nullptr);
    CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    if (server.error || !parent) return 1;
    WaitForSingleObject(parent, INFINITE);
    CloseHandle(parent);
    return 0;
}

FuzzServer::~FuzzServer() { Stop(); }

void FuzzServer::Stop() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    process_ = nullptr;
}

bool FuzzServer::Start(FuzzContext& context) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return false;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --serve " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    PROCESS_INFORMATION started;
    // Without a console: under Wine, a server with a console of its own
    // stopped listening once it had closed its output.
    BOOL created = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                                  &startup, &started);
    CloseHandle(write);
    if (!created) {
        CloseHandle(read);
        return false;
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    std::string ports;
    char chunk[32];
    DWORD got = 0;
    while (ports.find('\n') == std::string::npos && ReadFile(read, chunk, sizeof chunk, &got, nullptr) && got)
        ports.append(chunk, got);
    CloseHandle(read);
    context.port = static_cast<unsigned>(strtoul(ports.c_str(), nullptr, 10));
    const char* space = strchr(ports.c_str(), ' ');
    context.closedPort = space ? static_cast<unsigned>(strtoul(space + 1, nullptr, 10)) : 1;
    return context.port != 0;
}
