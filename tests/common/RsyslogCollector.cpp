#include "RsyslogCollector.h"

#include <ws2tcpip.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

bool WriteFileText(const std::string& name, const std::string& text) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return ok;
}

std::string ReadFileText(const std::string& name) {
    std::string text;
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// Starts a Unix program by its Unix path; Wine's handle to it is of no use.
bool RunUnix(const wchar_t* program, std::wstring commandLine) {
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

// A PARAM-VALUE's escapes undone.
std::string Unescaped(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        out += value[i];
    }
    return out;
}

// The value of name="..." in the structured data of line; empty when missing.
std::string Param(const std::string& line, const char* name, size_t end) {
    std::string key = std::string(" ") + name + "=\"";
    size_t at = line.find(key);
    if (at == std::string::npos || at > end) return "";
    size_t start = at + key.size(), i = start;
    while (i < end && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
    return Unescaped(line.substr(start, i - start));
}

// rsyslog's "#ooo" for a control character undone.
std::string Unshown(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '#' && text.size() - i >= 4 && text[i + 1] >= '0' && text[i + 1] <= '3' &&
            text[i + 2] >= '0' && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string UnixPathOf(const std::string& windowsPath) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    UnixName unixName =
        reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!unixName) return "";
    wchar_t full[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, full, MAX_PATH);
    char* name = unixName(full);
    if (!name) return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

unsigned short FreePort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return 0;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    unsigned short port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    closesocket(s);
    return port;
}

bool Accepts(unsigned short port, bool relp) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool accepted = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (!accepted && WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = {1, 0};
        int error = 0, size = sizeof error;
        accepted = select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(s, &writable) &&
                   getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 && error == 0;
    }
    if (accepted && relp) {
        // A session opened and closed: imrelp takes a bare connection for a broken one.
        const char session[] = "1 open 57 relp_version=0\nrelp_software=probe,1,none\ncommands=syslog\n2 close 0\n";
        u_long blocking = 0;
        ioctlsocket(s, FIONBIO, &blocking);
        DWORD limit = 2000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
        std::string answer;
        char buffer[512];
        int got = 0;
        if (send(s, session, static_cast<int>(sizeof session - 1), 0) == static_cast<int>(sizeof session - 1))
            while ((got = recv(s, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<size_t>(got));
        accepted = answer.compare(0, 6, "1 rsp ") == 0 && answer.find(" 200 OK") != std::string::npos;
    }
    closesocket(s);
    return accepted;
}

RsyslogCollector::RsyslogCollector() : scratch_("rsyslog") {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    if (scratch_.error) {
        error = "no scratch folder: " + std::to_string(scratch_.error);
        return;
    }
    unixFolder_ = UnixPathOf(scratch_.folder);
    if (unixFolder_.empty()) {
        error = "no Unix path for " + scratch_.folder;
        return;
    }
    if (unixFolder_.back() != '/') unixFolder_ += '/';
    CreateDirectoryA((scratch_ + "work").c_str(), nullptr);
    // Ports another program took between the look and the start: new ones.
    for (int attempt = 0; attempt < 3; ++attempt) {
        tcpPort_ = FreePort();
        relpPort_ = FreePort();
        if (tcpPort_ && relpPort_ && tcpPort_ != relpPort_ && WriteConfiguration() && Start()) return;
        Stop();
    }
}

RsyslogCollector::~RsyslogCollector() {
    Stop();
    WSACleanup();
}

bool RsyslogCollector::WriteConfiguration() {
    std::string tcp = std::to_string(tcpPort_), relp = std::to_string(relpPort_);
    std::string conf =
        "global(workDirectory=\"" + unixFolder_ + "work\" maxMessageSize=\"64k\")\n"
        "main_queue(queue.type=\"Direct\")\n"
        "module(load=\"imtcp\")\n"
        "module(load=\"imrelp\")\n"
        "input(type=\"imtcp\" port=\"" + tcp + "\" address=\"127.0.0.1\")\n"
        "input(type=\"imrelp\" port=\"" + relp + "\" address=\"127.0.0.1\")\n"
        "template(name=\"collected\" type=\"string\" string=\"%structured-data% %msg%\\n\")\n"
        "action(type=\"omfile\" file=\"" + unixFolder_ + "messages.txt\" template=\"collected\")\n";
    if (!WriteFileText(scratch_ + "rsyslog.conf", conf)) {
        error = "cannot write " + (scratch_ + "rsyslog.conf");
        return false;
    }
    return true;
}

bool RsyslogCollector::Start() {
    if (pid_) return true;
    DeleteFileA((scratch_ + "rsyslogd.pid").c_str());
    std::string command = "rsyslogd -n -f " + unixFolder_ + "rsyslog.conf -i " + unixFolder_ + "rsyslogd.pid";
    if (!RunUnix(L"/usr/sbin/rsyslogd", Wide(command))) {
        error = "cannot start /usr/sbin/rsyslogd: " + std::to_string(GetLastError());
        return false;
    }
    for (int i = 0; i < 400; ++i) {
        if (!pid_) pid_ = strtoul(ReadFileText(scratch_ + "rsyslogd.pid").c_str(), nullptr, 10);
        if (pid_ && Accepts(tcpPort_) && Accepts(relpPort_, true)) return true;
        Sleep(50);
    }
    error = "rsyslogd took no connection on " + std::to_string(tcpPort_) + " and " + std::to_string(relpPort_) +
            " within 20 s";
    return false;
}

bool RsyslogCollector::Stop() {
    if (!pid_) return true;
    std::string pid = std::to_string(pid_);
    RunUnix(L"/bin/kill", Wide("kill " + pid));
    for (int i = 0; i < 400; ++i) {
        if (GetFileAttributesA((scratch_ + "rsyslogd.pid").c_str()) == INVALID_FILE_ATTRIBUTES &&
            !Accepts(tcpPort_) && !Accepts(relpPort_)) {
            pid_ = 0;
            return true;
        }
        if (i == 200) RunUnix(L"/bin/kill", Wide("kill -KILL " + pid));
        if (i > 200) DeleteFileA((scratch_ + "rsyslogd.pid").c_str());
        Sleep(50);
    }
    error = "rsyslogd " + pid + " did not stop within 20 s";
    return false;
}

std::vector<CollectedMessage> RsyslogCollector::Messages() const {
    std::vector<CollectedMessage> messages;
    std::string text = ReadFileText(scratch_ + "messages.txt");
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        CollectedMessage m;
        m.line = text.substr(start, end - start);
        size_t sdEnd = m.line.find("\"] ");
        if (sdEnd == std::string::npos) sdEnd = m.line.size();
        m.spool = Param(m.line, "spool", sdEnd);
        m.user = Param(m.line, "user", sdEnd);
        m.seq = strtoull(Param(m.line, "seq", sdEnd).c_str(), nullptr, 10);
        std::string message = sdEnd + 3 <= m.line.size() ? m.line.substr(sdEnd + 3) : "";
        if (message.compare(0, 3, "\xEF\xBB\xBF") == 0) message.erase(0, 3);
        m.text = Unshown(message);
        messages.push_back(m);
    }
    return messages;
}

bool RsyslogCollector::WaitMessages(size_t count, DWORD milliseconds) const {
    for (ULONGLONG end = GetTickCount64() + milliseconds;; Sleep(20)) {
        std::string text = ReadFileText(scratch_ + "messages.txt");
        size_t lines = 0;
        for (char c : text) lines += c == '\n';
        if (lines >= count) return true;
        if (GetTickCount64() > end) return false;
    }
}
