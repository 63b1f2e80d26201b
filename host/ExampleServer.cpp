// example_server: the local web server of examples/files-and-web.tvs and
// examples/update-check.tvs.
//
//   example_server [N]          starts the server on a free port of
//                               127.0.0.1 and ends once it listens; the exit
//                               code is the port (0 when the server could
//                               not start)
//   example_server --serve [N]  the server itself: writes its port and a
//                               line break to its standard output, answers
//                               N requests (1 when not given), and ends;
//                               also ends after a minute without one
//
// It answers GET /update/manifest.json with the manifest of an update,
// GET /update/tool-2.4.1.bin with the update (300,000 bytes; the manifest
// gives its SHA-256), and every other request with "Принято: " and the
// request's body.
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

// The update the manifest describes: 10,000 numbered lines.
static std::string Update() {
    std::string update;
    char line[40];
    for (int i = 0; i < 10000; ++i) update.append(line, snprintf(line, sizeof line, "aRvik tool 2.4.1, line %05d\r\n", i));
    return update;
}

static int Serve(int requests) {
    LocalHttpServer server([](const HttpExchange& request) {
        if (request.method == "GET" && request.path == "/update/manifest.json")
            return HttpAnswer("200 OK", "Content-Type: application/json\r\nConnection: close\r\n",
                              u8"{\"product\": \"Инструмент кассы\", \"version\": \"2.4.1\", "
                              u8"\"file\": {\"path\": \"/update/tool-2.4.1.bin\", \"size\": 300000, "
                              u8"\"sha256\": \"d7397060672aaf649b90b8f3bcef33e399ac90b4347ceb4468d6130dd7023c58\"}}");
        if (request.method == "GET" && request.path == "/update/tool-2.4.1.bin")
            return HttpAnswer("200 OK", "Content-Type: application/octet-stream\r\nConnection: close\r\n", Update());
        return HttpAnswer("200 OK", "Content-Type: text/plain; charset=utf-8\r\nConnection: close\r\n",
                          u8"Принято: " + request.body);
    });
    std::string port = std::to_string(server.Port()) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), port.data(), static_cast<DWORD>(port.size()), &written, nullptr);
    if (server.error) return 1;
    return server.WaitAnswered(requests, idleTime) ? 0 : 1;
}

// Starts this program with --serve, its output into a pipe, and gives the
// port it reports.
static int Start(int requests) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return 0;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --serve " + std::to_wstring(requests);
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

// The number of requests to answer, from an argument: 1 to 100, 1 otherwise.
static int Requests(const char* argument) {
    int n = argument ? atoi(argument) : 1;
    return n >= 1 && n <= 100 ? n : 1;
}

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--serve") == 0) return Serve(Requests(argc > 2 ? argv[2] : nullptr));
    return Start(Requests(argc > 1 ? argv[1] : nullptr));
}
