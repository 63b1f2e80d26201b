// The log's collector (Log/Collector.h): "Log Collector" read and refused,
// the RFC 5424 message byte for byte, and the TCP and RELP links against a
// real rsyslogd (common/RsyslogCollector.h) and against collectors of the
// test's own that answer rubbish, close mid-frame or never answer. Prints
// messages a second over RELP and TCP to the local rsyslogd.
#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <exceptions.h>
#include <gtest/gtest.h>

#include "Log/Collector.h"
#include "common/RsyslogCollector.h"

namespace {

// Winsock for the test's own sockets.
struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
} winsock;

// ---- "Log Collector" ----

std::string Refusal(const char* value) {
    try {
        CollectorOf(value);
    } catch (const KLAppException& e) {
        return e.Reason();
    }
    return "<accepted>";
}

TEST(CollectorAddress, TakesTcpAndRelpAddresses) {
    CollectorAddress a = CollectorOf("tcp://127.0.0.1:514");
    EXPECT_EQ(CollectorAddress::Tcp, a.protocol);
    EXPECT_STREQ("127.0.0.1", a.host);
    EXPECT_EQ(514, a.port);
    a = CollectorOf("RELP://Logs.Example.org:65535");
    EXPECT_EQ(CollectorAddress::Relp, a.protocol);
    EXPECT_STREQ("Logs.Example.org", a.host);
    EXPECT_EQ(65535, a.port);
    a = CollectorOf("Tcp://[::1]:1");
    EXPECT_EQ(CollectorAddress::Tcp, a.protocol);
    EXPECT_STREQ("::1", a.host);
    EXPECT_EQ(1, a.port);
    a = CollectorOf("relp://[fe80::1:2.3.4.5]:02514");
    EXPECT_STREQ("fe80::1:2.3.4.5", a.host);
    EXPECT_EQ(2514, a.port);
    EXPECT_EQ(CollectorAddress::None, CollectorOf("").protocol);
    EXPECT_EQ(CollectorAddress::None, CollectorOf(string()).protocol);
}

TEST(CollectorAddress, ExpandsTheEnvironmentInTheHost) {
    SetEnvironmentVariableA("COLLECTOR_TEST_HOST", "logs.example.org");
    SetEnvironmentVariableA("COLLECTOR_TEST_V6", "::1");
    CollectorAddress a = CollectorOf("relp://%COLLECTOR_TEST_HOST%:2514");
    EXPECT_STREQ("logs.example.org", a.host);
    a = CollectorOf("tcp://syslog.%COLLECTOR_TEST_HOST%:10514");
    EXPECT_STREQ("syslog.logs.example.org", a.host);
    a = CollectorOf("tcp://[%COLLECTOR_TEST_V6%]:10514");
    EXPECT_STREQ("::1", a.host);
    // An IPv6 address needs its brackets; a name not set stays, "%" and all.
    EXPECT_NE("<accepted>", Refusal("tcp://%COLLECTOR_TEST_V6%:10514"));
    EXPECT_NE("<accepted>", Refusal("tcp://%COLLECTOR_TEST_UNSET%:10514"));
    SetEnvironmentVariableA("COLLECTOR_TEST_HOST", "a b");
    EXPECT_NE("<accepted>", Refusal("tcp://%COLLECTOR_TEST_HOST%:10514"));
    SetEnvironmentVariableA("COLLECTOR_TEST_HOST", nullptr);
    SetEnvironmentVariableA("COLLECTOR_TEST_V6", nullptr);
}

TEST(CollectorAddress, RefusesWhatNamesNoCollector) {
    const char* bad[] = {"udp://h:514",     "tcp:/h:514",         "tcp://h",           "tcp://h:",
                         "tcp://h:0",       "tcp://h:65536",      "tcp://h:123456",    "tcp://h:+514",
                         "tcp://h:514/",    "tcp://h:514/logs",
                         "tcp://h :514",    "tcp:// h:514",       "tcp://h:514 ",      " tcp://h:514",
                         "tcp://:514",      "relp://::1:514",     "relp://[::1]514",   "relp://[::1]",
                         "relp://[]:514",   "relp://[zz::1]:514", "relp://[::1]:514x", "tcp://h?x:514",
                         "tcp://h#x:514",   "relp",               "h:514",             "tcp://h:-1"};
    for (const char* value : bad)
        EXPECT_EQ(std::string("Неверный адрес сборщика журнала: \"Log Collector\"=") + value +
                      " (допустимо: tcp://узел:порт, relp://узел:порт)",
                  Refusal(value));
    // A name and password never in the text.
    EXPECT_EQ("Неверный адрес сборщика журнала: \"Log Collector\"=tcp://***@b:514"
              " (допустимо: tcp://узел:порт, relp://узел:порт)",
              Refusal("tcp://a@b:514"));
    EXPECT_EQ("Неверный адрес сборщика журнала: \"Log Collector\"=relp://***@[::1]:2514"
              " (допустимо: tcp://узел:порт, relp://узел:порт)",
              Refusal("relp://admin:hun#ter2@[::1]:2514"));
    // The value as ShownText shows it: control characters as "?".
    EXPECT_EQ("Неверный адрес сборщика журнала: \"Log Collector\"=tcp://h:51?4?"
              " (допустимо: tcp://узел:порт, relp://узел:порт)",
              Refusal("tcp://h:51\n4\r"));
    EXPECT_EQ("Неверный адрес сборщика журнала: \"Log Collector\"=tcp://h?:514"
              " (допустимо: tcp://узел:порт, relp://узел:порт)",
              Refusal("tcp://h\t:514"));
}

// ---- The message ----

LogEntry Entry(const wchar_t* text, const wchar_t* user = L"ivanov", unsigned long long sequence = 7) {
    LogEntry e;
    e.time = {2026, 12, 3, 9, 14, 3, 7, 123};
    e.utcOffsetMinutes = 180;
    e.computer = L"PC-1";
    e.user = user;
    e.pid = 4242;
    e.text = text;
    e.spoolId = "0123456789abcdef0123456789abcdef";
    e.sequence = sequence;
    return e;
}

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHead = "<14>1 2026-12-09T14:03:07.123+03:00 PC-1 aRvik 4242 script [aRvik@32473 user=\"ivanov\" "
                          "spool=\"0123456789abcdef0123456789abcdef\" seq=\"7\"] ";

std::string Repeated(const std::string& piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(CollectorMessage, IsRfc5424WithTheEntrysIdAndItsTextInUtf8) {
    EXPECT_EQ(kHead + kBom + u8"Привет, мир\r\nвторая строка",
              CollectorMessage(Entry(L"Привет, мир\r\nвторая строка")).c_str());
    EXPECT_EQ(kHead + kBom, CollectorMessage(Entry(L"")).c_str());
    LogEntry e = Entry(L"x", L"", 18446744073709551615ULL);
    e.time = {2027, 1, 5, 1, 2, 3, 4, 5};
    e.utcOffsetMinutes = -330;
    e.computer = L"";
    e.pid = 4294967295UL;
    EXPECT_STREQ(("<14>1 2027-01-01T02:03:04.005-05:30 - aRvik 4294967295 script [aRvik@32473 user=\"\" "
                  "spool=\"0123456789abcdef0123456789abcdef\" seq=\"18446744073709551615\"] " + kBom + "x").c_str(),
                 CollectorMessage(e).c_str());
    e.utcOffsetMinutes = 0;
    e.computer = L"ПК 1\x7";
    EXPECT_EQ(0u, std::string(CollectorMessage(e).c_str()).find(u8"<14>1 2027-01-01T02:03:04.005+00:00 ПК?1? aRvik "));
}

TEST(CollectorMessage, EscapesTheStructuredDataAsRfc5424Asks) {
    std::string m = CollectorMessage(Entry(L"a \"b\" [c] \\d", L"DOMAIN\\ив\"ан]о[в\t")).c_str();
    EXPECT_EQ("<14>1 2026-12-09T14:03:07.123+03:00 PC-1 aRvik 4242 script [aRvik@32473 user=\"DOMAIN\\\\" +
                  std::string(u8"ив") + "\\\"" + u8"ан" + "\\]" + u8"о[в" +
                  "?\" spool=\"0123456789abcdef0123456789abcdef\" seq=\"7\"] " + kBom + "a \"b\" [c] \\d",
              m);
}

TEST(CollectorMessage, CutsAsMaxLogTextCutsInUtf8) {
    LogEntry e = Entry(L"абвгдежзий");
    e.limit = 10;
    EXPECT_EQ(kHead + kBom + u8"[20 байт]\r\nабвгд\r\n...", CollectorMessage(e).c_str());
    e.limit = 21;
    EXPECT_EQ(kHead + kBom + u8"абвгдежзий", CollectorMessage(e).c_str());
    e.limit = 20;
    EXPECT_EQ(kHead + kBom + u8"[20 байт]\r\nабвгдежзий\r\n...", CollectorMessage(e).c_str());
    e.limit = 9;  // never half a character
    EXPECT_EQ(kHead + kBom + u8"[20 байт]\r\nабвг\r\n...", CollectorMessage(e).c_str());
    e.text = L"a\xD83D\xDE00z";  // a surrogate pair is one character of 4 bytes
    e.limit = 4;
    EXPECT_EQ(kHead + kBom + u8"[6 байт]\r\na\r\n...", CollectorMessage(e).c_str());
    e.limit = 5;
    EXPECT_EQ(kHead + kBom + "[6 \xD0\xB1\xD0\xB0\xD0\xB9\xD1\x82]\r\na\xF0\x9F\x98\x80\r\n...",
              CollectorMessage(e).c_str());
}

TEST(CollectorMessage, StaysWithin8000BytesNeverSplittingACharacter) {
    ASSERT_EQ(8000u, MAX_COLLECTOR_MESSAGE);
    std::wstring ya(5000, L'я');  // 10,000 bytes
    // Both parities of the room left: a user of one and of two letters.
    for (const wchar_t* user : {L"u", L"uu"}) {
        std::string head = "<14>1 2026-12-09T14:03:07.123+03:00 PC-1 aRvik 4242 script [aRvik@32473 user=\"" +
                           std::string(user, user + wcslen(user)) +
                           "\" spool=\"0123456789abcdef0123456789abcdef\" seq=\"7\"] " + kBom;
        std::string marks = u8"[10000 байт]\r\n";
        size_t room = 8000 - head.size() - marks.size() - 5;
        std::string m = CollectorMessage(Entry(ya.c_str(), user)).c_str();
        EXPECT_EQ(head + marks + Repeated(u8"я", room / 2) + "\r\n...", m) << m.size();
        EXPECT_LE(m.size(), 8000u);
        EXPECT_GE(m.size(), 7999u);
        // One ASCII letter first: the edge falls on the other byte.
        std::wstring shifted = L"a" + ya;
        m = CollectorMessage(Entry(shifted.c_str(), user)).c_str();
        std::string marks2 = u8"[10001 байт]\r\n";
        EXPECT_EQ(head + marks2 + "a" + Repeated(u8"я", (room - 1) / 2) + "\r\n...", m);
    }
    // "Max LogText" first when it cuts more.
    LogEntry e = Entry(ya.c_str());
    e.limit = 100;
    EXPECT_EQ(kHead + kBom + u8"[10000 байт]\r\n" + Repeated(u8"я", 50) + "\r\n...", CollectorMessage(e).c_str());
    // A text that fits stays whole; one byte more is cut.
    size_t fits = 8000 - kHead.size() - kBom.size();
    std::wstring exact(fits, L'x');
    EXPECT_EQ(8000u, CollectorMessage(Entry(exact.c_str())).length());
    EXPECT_EQ(kHead + kBom + std::string(fits, 'x'), CollectorMessage(Entry(exact.c_str())).c_str());
    exact += L"x";
    std::string m = CollectorMessage(Entry(exact.c_str())).c_str();
    EXPECT_EQ(kHead + kBom + "[" + std::to_string(fits + 1) + u8" байт]\r\n" +
                  std::string(fits - 18 - std::to_string(fits + 1).size(), 'x') + "\r\n...",
              m);
    EXPECT_LE(m.size(), 8000u);
}

// ---- The links ----

std::vector<string> Messages(const char* spool, size_t count, size_t first = 1, const wchar_t* text = L"Запись") {
    std::vector<string> messages;
    for (size_t i = 0; i < count; ++i) {
        LogEntry e = Entry(text, L"ivanov", first + i);
        e.spoolId = spool;
        messages.push_back(CollectorMessage(e));
    }
    return messages;
}

std::vector<string> Tail(const std::vector<string>& messages, size_t from) {
    return std::vector<string>(messages.begin() + static_cast<std::ptrdiff_t>(from), messages.end());
}

std::string Failure(const char* why, const char* scheme, unsigned short port) {
    return std::string("Не удалось передать журнал сборщику (") + why + "): " + scheme + "://127.0.0.1:" +
           std::to_string(port);
}

CollectorAddress Address(CollectorAddress::Protocol protocol, unsigned short port) {
    CollectorAddress a;
    a.protocol = protocol;
    a.host = "127.0.0.1";
    a.port = port;
    return a;
}

// A collector of the test's own on 127.0.0.1, one connection at a time. It
// reads RELP frames and writes what answer gives for each (numbered by the
// connection, from 1): nothing for "", and a text ending in "<close>" is
// written without it and the connection closed. closeOnData: the first
// bytes that come close the connection and the listener.
class FakeCollector {
public:
    using Answer = std::function<std::string(int connection, unsigned long txnr, const std::string& command)>;
    explicit FakeCollector(Answer answer, bool closeOnData = false) : answer_(answer), closeOnData_(closeOnData) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeCollector() {
        Stop();
        if (connection_ != INVALID_SOCKET) closesocket(connection_);
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        WSACleanup();
    }
    // Ends the fake's thread: what it saw may be read.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Waits (bounded) until the connection was closed on data.
    bool WaitClosed() {
        for (int i = 0; i < 1000 && !closed_; ++i) Sleep(10);
        return closed_;
    }

    unsigned short port = 0;
    std::atomic<int> connections{0};
    std::vector<std::string> seen;  // "CONNECTION TXNR COMMAND", read once stopped

private:
    void Run() {
        std::string in;
        while (!stop_) {
            fd_set reads;
            FD_ZERO(&reads);
            if (listener_ != INVALID_SOCKET) FD_SET(listener_, &reads);
            if (connection_ != INVALID_SOCKET) FD_SET(connection_, &reads);
            timeval wait = {0, 20000};
            if (reads.fd_count == 0) {
                Sleep(20);
                continue;
            }
            if (select(0, &reads, nullptr, nullptr, &wait) <= 0) continue;
            if (listener_ != INVALID_SOCKET && FD_ISSET(listener_, &reads)) {
                if (connection_ != INVALID_SOCKET) closesocket(connection_);
                connection_ = accept(listener_, nullptr, nullptr);
                ++connections;
                in.clear();
                continue;
            }
            char buffer[65536];
            int got = recv(connection_, buffer, sizeof buffer, 0);
            if (got <= 0 || closeOnData_) {
                closesocket(connection_);
                connection_ = INVALID_SOCKET;
                if (closeOnData_) {
                    closesocket(listener_);
                    listener_ = INVALID_SOCKET;
                    closed_ = true;
                }
                continue;
            }
            in.append(buffer, static_cast<size_t>(got));
            Frames(in);
        }
    }
    // Answers the whole frames of in, and takes them out.
    void Frames(std::string& in) {
        for (;;) {
            size_t a = in.find(' '), b = a == std::string::npos ? a : in.find(' ', a + 1);
            if (b == std::string::npos) return;
            size_t c = b + 1;
            while (c < in.size() && isdigit(static_cast<unsigned char>(in[c]))) ++c;
            if (c == in.size()) return;
            size_t length = strtoul(in.c_str() + b + 1, nullptr, 10);
            size_t end = length ? c + 1 + length : c;
            if (end >= in.size()) return;
            unsigned long txnr = strtoul(in.c_str(), nullptr, 10);
            std::string command = in.substr(a + 1, b - a - 1);
            in.erase(0, end + 1);
            seen.push_back(std::to_string(connections) + " " + std::to_string(txnr) + " " + command);
            std::string reply = answer_(connections, txnr, command);
            bool close = reply.size() >= 7 && reply.compare(reply.size() - 7, 7, "<close>") == 0;
            if (close) reply.erase(reply.size() - 7);
            if (!reply.empty()) send(connection_, reply.data(), static_cast<int>(reply.size()), 0);
            if (close) {
                closesocket(connection_);
                connection_ = INVALID_SOCKET;
                return;
            }
        }
    }

    Answer answer_;
    bool closeOnData_;
    SOCKET listener_ = INVALID_SOCKET, connection_ = INVALID_SOCKET;
    std::thread thread_;
    std::atomic<bool> stop_{false}, closed_{false};
};

std::string Ok(unsigned long txnr) { return std::to_string(txnr) + " rsp 6 200 OK\n"; }

// A Send timed: its count, its reason, and how long it took.
struct Sent {
    size_t count;
    std::string reason;
    ULONGLONG milliseconds;
};

Sent Send(CollectorLink& link, const std::vector<string>& messages, DWORD timeoutMs) {
    string reason = "unchanged";
    ULONGLONG start = GetTickCount64();
    size_t count = link.Send(messages, timeoutMs, reason);
    return {count, reason.c_str() ? reason.c_str() : "", GetTickCount64() - start};
}

TEST(RelpLink, DropsAConnectionThatAnswersRubbish) {
    FakeCollector fake([](int, unsigned long, const std::string&) { return std::string("hello\n"); });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    Sent s = Send(*link, Messages("rubbish", 3), 5000);
    EXPECT_EQ(0u, s.count);
    EXPECT_EQ(Failure("неверный ответ", "relp", fake.port), s.reason);
    EXPECT_LT(s.milliseconds, 5000u);
}

TEST(RelpLink, CountsInOrderWhatWasAcknowledgedBeforeACloseMidFrame) {
    FakeCollector fake([](int connection, unsigned long txnr, const std::string& command) {
        if (connection == 1 && txnr == 5) return std::string("5 rsp 6 20<close>");
        // An answer to the close is no business of the link's.
        return command == "close" ? std::string() : Ok(txnr);
    });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    std::vector<string> messages = Messages("midframe", 10);
    Sent s = Send(*link, messages, 10000);
    EXPECT_EQ(3u, s.count);
    EXPECT_EQ(Failure("соединение прервано", "relp", fake.port), s.reason);
    // The next Send connects again, numbering from 1, and the rest goes.
    s = Send(*link, Tail(messages, 3), 10000);
    EXPECT_EQ(7u, s.count);
    EXPECT_EQ("", s.reason);
    link.Release();
    fake.Stop();
    ASSERT_GE(fake.seen.size(), 13u);
    EXPECT_EQ("1 1 open", fake.seen[0]);
    EXPECT_EQ("1 2 syslog", fake.seen[1]);
    EXPECT_NE(fake.seen.end(), std::find(fake.seen.begin(), fake.seen.end(), "2 1 open"));
    EXPECT_NE(fake.seen.end(), std::find(fake.seen.begin(), fake.seen.end(), "2 8 syslog"));
    EXPECT_EQ(fake.seen.end(), std::find(fake.seen.begin(), fake.seen.end(), "2 9 syslog"));
}

TEST(RelpLink, ReturnsWithinTheLimitFromACollectorThatNeverAnswers) {
    FakeCollector fake([](int, unsigned long, const std::string&) { return std::string(); });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    Sent s = Send(*link, Messages("silence", 2), 700);
    EXPECT_EQ(0u, s.count);
    EXPECT_EQ(Failure("нет ответа за 700 мс", "relp", fake.port), s.reason);
    EXPECT_GE(s.milliseconds, 650u);
    EXPECT_LT(s.milliseconds, 700u + 2500u);
}

TEST(RelpLink, StopsAtSilenceMidBatchWithTheCountAcknowledged) {
    FakeCollector fake([](int, unsigned long txnr, const std::string&) {
        return txnr <= 3 ? Ok(txnr) : std::string();
    });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    Sent s = Send(*link, Messages("stall", 200), 800);
    EXPECT_EQ(2u, s.count);
    EXPECT_EQ(Failure("нет ответа за 800 мс", "relp", fake.port), s.reason);
    EXPECT_LT(s.milliseconds, 800u + 2500u);
}

// A collector that answers, but slowly, holds the sender no longer than
// its limit: answers that keep coming do not reset it.
TEST(RelpLink, ReturnsWithinTheLimitFromACollectorThatAnswersSlowly) {
    FakeCollector fake([](int, unsigned long txnr, const std::string& command) {
        if (command == "syslog") Sleep(150);
        return Ok(txnr);
    });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    Sent s = Send(*link, Messages("slow", 30), 700);
    EXPECT_LT(s.count, 30u);
    EXPECT_EQ(Failure("нет ответа за 700 мс", "relp", fake.port), s.reason);
    EXPECT_LT(s.milliseconds, 700u + 2500u);
}

TEST(RelpLink, StopsAtAnAnswerOtherThan200) {
    FakeCollector fake([](int, unsigned long txnr, const std::string&) {
        return txnr == 3 ? std::string("3 rsp 30 500 message refused\nmore lines\n") : Ok(txnr);
    });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    Sent s = Send(*link, Messages("refused", 5), 5000);
    EXPECT_EQ(1u, s.count);
    EXPECT_EQ(Failure("отказ: 500 message refused", "relp", fake.port), s.reason);
}

TEST(RelpLink, RefusesAnAnswerOutOfOrder) {
    FakeCollector fake([](int, unsigned long txnr, const std::string&) { return txnr == 2 ? Ok(3) : Ok(txnr); });
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, fake.port)));
    Sent s = Send(*link, Messages("order", 2), 5000);
    EXPECT_EQ(0u, s.count);
    EXPECT_EQ(Failure("неверный ответ", "relp", fake.port), s.reason);
}

TEST(TcpLink, ConnectsAgainAfterTheCollectorClosed) {
    FakeCollector fake(nullptr, true);
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Tcp, fake.port)));
    Sent s = Send(*link, Messages("closed", 1), 5000);
    EXPECT_EQ(1u, s.count);
    EXPECT_EQ("", s.reason);
    ASSERT_TRUE(fake.WaitClosed());
    // The closed connection is seen before anything is written to it; the
    // listener is gone too.
    s = Send(*link, Messages("closed", 1, 2), 5000);
    EXPECT_EQ(0u, s.count);
    EXPECT_EQ(Failure("соединение отклонено", "tcp", fake.port), s.reason);
}

TEST(TcpLink, SaysWhenNothingListens) {
    unsigned short port = FreePort();
    ASSERT_NE(0, port);
    for (auto protocol : {CollectorAddress::Tcp, CollectorAddress::Relp}) {
        ptr<CollectorLink> link(OpenCollectorLink(Address(protocol, port)));
        Sent s = Send(*link, Messages("nothing", 1), 5000);
        EXPECT_EQ(0u, s.count);
        EXPECT_EQ(Failure("соединение отклонено", protocol == CollectorAddress::Tcp ? "tcp" : "relp", port), s.reason);
        EXPECT_LT(s.milliseconds, 5000u);
        // Nothing to send: nothing is tried.
        s = Send(*link, {}, 5000);
        EXPECT_EQ(0u, s.count);
        EXPECT_EQ("", s.reason);
    }
}

TEST(TcpLink, FramesMessagesToAnIpv6Address) {
    SOCKET listener = socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in6 address = {};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    int size = sizeof address;
    if (listener == INVALID_SOCKET || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        listen(listener, 1) || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size)) {
        if (listener != INVALID_SOCKET) closesocket(listener);
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    unsigned short port = ntohs(address.sin6_port);
    CollectorAddress a = CollectorOf(("tcp://[::1]:" + std::to_string(port)).c_str());
    ptr<CollectorLink> link(OpenCollectorLink(a));
    std::vector<string> messages = Messages("ipv6", 2);
    Sent s = Send(*link, messages, 5000);
    EXPECT_EQ(2u, s.count);
    EXPECT_EQ("", s.reason);
    // The connection waits in the listener's queue; what came is read within 5 s.
    SOCKET connection = accept(listener, nullptr, nullptr);
    ASSERT_NE(INVALID_SOCKET, connection);
    std::string expected;
    for (const string& m : messages) expected += std::to_string(m.length()) + " " + m.c_str();
    std::string got;
    for (ULONGLONG end = GetTickCount64() + 5000; got.size() < expected.size() && GetTickCount64() < end;) {
        fd_set reads;
        FD_ZERO(&reads);
        FD_SET(connection, &reads);
        timeval wait = {0, 100000};
        char buffer[4096];
        int n = select(0, &reads, nullptr, nullptr, &wait) > 0 ? recv(connection, buffer, sizeof buffer, 0) : 0;
        if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ(expected, got);
    closesocket(connection);
    closesocket(listener);
}

TEST(TcpLink, NamesAHostThatIsNotThere) {
    CollectorAddress a = CollectorOf("relp://no-such-host.invalid:514");
    ptr<CollectorLink> link(OpenCollectorLink(a));
    string reason;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(0u, link->Send(Messages("nohost", 1), 3000, reason));
    EXPECT_LT(GetTickCount64() - start, 3000u + 2500u);
    std::string r = reason.c_str();
    EXPECT_TRUE(r == "Не удалось передать журнал сборщику (нет такого узла): relp://no-such-host.invalid:514" ||
                r == "Не удалось передать журнал сборщику (нет ответа за 3000 мс): relp://no-such-host.invalid:514")
        << r;
}

// ---- Against rsyslogd ----

// The sequence numbers of spool among what the collector wrote.
std::multiset<unsigned long long> Sequences(const RsyslogCollector& collector, const char* spool) {
    std::multiset<unsigned long long> seqs;
    for (const CollectedMessage& m : collector.Messages())
        if (m.spool == spool) seqs.insert(m.seq);
    return seqs;
}

TEST(Rsyslog, TakesTcpFramesWithTextAndIdExact) {
    RsyslogCollector collector;
    ASSERT_TRUE(collector.Running()) << collector.error;
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Tcp, collector.TcpPort())));
    std::vector<string> messages = Messages("tcpexact", 2, 1, L"Привет, \"мир\"\r\nстрока [2] \\ конец");
    LogEntry e = Entry(L"ёлка", L"ДОМЕН\\пользователь", 3);
    e.spoolId = "tcpexact";
    messages.push_back(CollectorMessage(e));
    Sent s = Send(*link, messages, 10000);
    EXPECT_EQ(3u, s.count);
    EXPECT_EQ("", s.reason);
    ASSERT_TRUE(collector.WaitMessages(3, 20000));
    std::vector<CollectedMessage> got = collector.Messages();
    ASSERT_EQ(3u, got.size());
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ("tcpexact", got[i].spool);
        EXPECT_EQ(i + 1, got[i].seq);
    }
    EXPECT_EQ(u8"Привет, \"мир\"\r\nстрока [2] \\ конец", got[0].text);
    EXPECT_EQ("ivanov", got[0].user);
    EXPECT_EQ(u8"ёлка", got[2].text);
    EXPECT_EQ(u8"ДОМЕН\\пользователь", got[2].user);
}

TEST(Rsyslog, AcknowledgesRelpMessagesInOrderOnOneConnection) {
    RsyslogCollector collector;
    ASSERT_TRUE(collector.Running()) << collector.error;
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, collector.RelpPort())));
    // More than the window, then more on the connection kept.
    Sent s = Send(*link, Messages("relporder", 300, 1, L"Сообщение"), 20000);
    EXPECT_EQ(300u, s.count);
    EXPECT_EQ("", s.reason);
    s = Send(*link, Messages("relporder", 5, 301, L"Ещё"), 20000);
    EXPECT_EQ(5u, s.count);
    EXPECT_EQ("", s.reason);
    ASSERT_TRUE(collector.WaitMessages(305, 20000));
    std::vector<CollectedMessage> got = collector.Messages();
    ASSERT_EQ(305u, got.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ("relporder", got[i].spool);
        EXPECT_EQ(i + 1, got[i].seq);
        EXPECT_EQ(i < 300 ? u8"Сообщение" : u8"Ещё", got[i].text);
    }
    // The longest message there is arrives whole.
    std::wstring ya(5000, L'я');
    LogEntry e = Entry(ya.c_str(), L"ivanov", 306);
    e.spoolId = "relporder";
    s = Send(*link, {CollectorMessage(e)}, 20000);
    EXPECT_EQ(1u, s.count);
    ASSERT_TRUE(collector.WaitMessages(306, 20000));
    std::string text = collector.Messages().back().text;
    EXPECT_EQ(0u, text.find(u8"[10000 байт]\r\nяяя"));
    EXPECT_EQ(text.size() - 5, text.rfind("\r\n..."));
}

TEST(Rsyslog, DeliversTheRestAfterTheCollectorStoppedMidBatch) {
    RsyslogCollector collector;
    ASSERT_TRUE(collector.Running()) << collector.error;
    ptr<CollectorLink> link(OpenCollectorLink(Address(CollectorAddress::Relp, collector.RelpPort())));
    const size_t total = 50000;
    std::vector<string> messages = Messages("stopped", total);
    // The collector stops once it wrote something of the batch.
    std::thread stopper([&] {
        collector.WaitMessages(1, 60000);
        collector.Stop();
    });
    Sent s = Send(*link, messages, 60000);
    stopper.join();
    EXPECT_LT(s.count, total);
    EXPECT_EQ(Failure("соединение прервано", "relp", collector.RelpPort()), s.reason) << s.count;
    // Everything acknowledged was written.
    std::multiset<unsigned long long> seqs = Sequences(collector, "stopped");
    for (unsigned long long seq = 1; seq <= s.count; ++seq) ASSERT_EQ(1u, seqs.count(seq)) << seq;
    // Stopped: refused.
    Sent down = Send(*link, Tail(messages, s.count), 5000);
    EXPECT_EQ(0u, down.count);
    EXPECT_EQ(Failure("соединение отклонено", "relp", collector.RelpPort()), down.reason);
    ASSERT_TRUE(collector.Start()) << collector.error;
    Sent rest = Send(*link, Tail(messages, s.count), 60000);
    EXPECT_EQ(total - s.count, rest.count);
    EXPECT_EQ("", rest.reason);
    ASSERT_TRUE(collector.WaitMessages(total, 60000));
    seqs = Sequences(collector, "stopped");
    for (unsigned long long seq = 1; seq <= total; ++seq) ASSERT_NE(0u, seqs.count(seq)) << seq;
    std::cout << "[ figures  ] stopped after " << s.count << " of " << total << " acknowledged; "
              << seqs.size() - total << " written twice" << std::endl;
}

// Batches of 128 (the window: each Send waits for the last answers of
// its batch), and one Send of all.
TEST(Rsyslog, MessagesASecond) {
    RsyslogCollector collector;
    ASSERT_TRUE(collector.Running()) << collector.error;
    const size_t total = 20000;
    size_t written = 0;
    for (auto protocol : {CollectorAddress::Relp, CollectorAddress::Tcp}) {
        for (size_t batch : {size_t(128), total}) {
            std::string spool =
                std::string(protocol == CollectorAddress::Relp ? "relp" : "tcp") + std::to_string(batch);
            std::vector<string> messages =
                Messages(spool.c_str(), total, 1, L"Запись журнала сценария средней длины, шестьдесят знаков.");
            ptr<CollectorLink> link(OpenCollectorLink(
                Address(protocol, protocol == CollectorAddress::Relp ? collector.RelpPort() : collector.TcpPort())));
            ULONGLONG start = GetTickCount64();
            size_t sent = 0;
            for (size_t i = 0; i < total; i += batch) {
                std::vector<string> part(messages.begin() + static_cast<std::ptrdiff_t>(i),
                                         messages.begin() + static_cast<std::ptrdiff_t>(std::min(total, i + batch)));
                string reason;
                sent += link->Send(part, 60000, reason);
            }
            ULONGLONG took = GetTickCount64() - start;
            EXPECT_EQ(total, sent);
            written += total;
            std::cout << "[ figures  ] " << (protocol == CollectorAddress::Relp ? "RELP" : "TCP") << ", " << total
                      << " messages, Sends of " << batch << ": " << took << " ms, "
                      << (took ? total * 1000 / took : 0) << " a second" << std::endl;
        }
    }
    ASSERT_TRUE(collector.WaitMessages(written, 60000));
}

}  // namespace
