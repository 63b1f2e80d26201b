// example_server: the local web server of examples/files-and-web.tvs.
//
//   example_server          starts the server on a free port of 127.0.0.1
//                           and ends once it listens; the exit code is the
//                           port (0 when the server could not start)
//   example_server --serve  the server itself: writes its port and a line
//                           break to its standard output, answers one
//                           request with "Принято: " and the request's
//                           body, and ends; also ends after a minute
//                           without one
//
// A script waits for the first form (aRvik.Execute with aRvik.Wait) and so
// knows the port before it sends; nothing is left running afterwards. The
// server runs without a console: under Wine, one started with a console of
// its own stopped listening once it had closed its output.
#include <winsock2.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "LocalHttpServer.h"

static const DWORD idleTime = 60000;

static int Serve() {
    LocalHttpServer server([](const HttpExchange& request) {
        return HttpAnswer("200 OK", "Content-Type: text/plain; charset=utf-8\r\nConnection: close\r\n",
                          u8"Принято: " + request.body);
    });
    std::string port = std::to_string(server.Port()) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), port.data(), static_cast<DWORD>(port.size()), &written, nullptr);
    if (server.error) return 1;
    return server.WaitAnswered(1, idleTime) ? 0 : 1;
}

// Starts this program with --serve, its output into a pipe, and gives the
// port it reports.
static int Start() {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return 0;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --serve";
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    PROCESS_INFORMATION started;
    BOOL created = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                                  &startup, &started);
    CloseHandle(write);
    if (!created) {
        CloseHandle(read);
        return 0;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    // The server writes its port and a line break once it listens, or ends.
    std::string port;
    char chunk[16];
    DWORD got = 0;
    while (port.find('\n') == std::string::npos && ReadFile(read, chunk, sizeof chunk, &got, nullptr) && got)
        port.append(chunk, got);
    CloseHandle(read);
    return atoi(port.c_str());
}

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--serve") == 0) return Serve();
    return Start();
}
