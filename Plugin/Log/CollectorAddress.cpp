#include "Log/Collector.h"

#include <RegistryNames.h>
#include <ShownText.h>
#include <exceptions.h>
#include <fwbase/Path.h>

#include <string.h>

namespace {

// value with a name and password before an "@" of its host part shown as
// "***": a refused address must not put a password into a text.
string WithoutUserInfo(const string& value) {
    const char* text = value.c_str() ? value.c_str() : "";
    const char* scheme = strstr(text, "://");
    const char* start = scheme ? scheme + 3 : text;
    const char* at = nullptr;
    for (const char* c = start; *c && *c != '/'; ++c)
        if (*c == '@') at = c;
    if (!at) return value;
    return string(text, static_cast<size_t>(start - text)) + "***" + at;
}

[[noreturn]] void ThrowBadCollector(const string& value) {
    throw KLAppException(string("Неверный адрес сборщика журнала: \"" LOG_COLLECTOR "\"=") +
                         TAXDK::Standard::ShownText(WithoutUserInfo(value)) +
                         " (допустимо: tcp://узел:порт, relp://узел:порт)");
}

// A scheme and "://" at the start of value, compared without regard to case.
bool Starts(const char* value, const char* scheme) {
    size_t n = strlen(scheme);
    return _strnicmp(value, scheme, n) == 0;
}

// 1 to 65535 in decimal digits only; 0 for anything else.
unsigned short PortOf(const char* text) {
    size_t n = strlen(text);
    if (n == 0 || n > 5) return 0;
    unsigned long port = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return 0;
        port = port * 10 + static_cast<unsigned long>(*c - '0');
    }
    return port <= 65535 ? static_cast<unsigned short>(port) : 0;
}

// A host's name or IPv4 address as expanded: neither blanks nor control
// characters, nor a sign that would end the host in an address.
bool NameHost(const char* host) {
    if (!NotEmpty(host) || strlen(host) > 255) return false;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(host); *c; ++c)
        if (*c <= ' ' || *c == 0x7F || strchr("/\\@?#[]:%\"", *c)) return false;
    return true;
}

// An IPv6 address (what stood in brackets, expanded): hexadecimal digits,
// colons and the dots of an IPv4 tail; getaddrinfo judges the rest.
bool Ipv6Host(const char* host) {
    if (!NotEmpty(host) || !strchr(host, ':') || strlen(host) > 45) return false;
    for (const char* c = host; *c; ++c)
        if (!strchr("0123456789abcdefABCDEF:.", *c)) return false;
    return true;
}

}  // namespace

CollectorAddress CollectorOf(const string& value) {
    CollectorAddress address;
    if (value.empty()) return address;
    const char* rest = value.c_str();
    if (Starts(rest, "tcp://")) {
        address.protocol = CollectorAddress::Tcp;
        rest += 6;
    } else if (Starts(rest, "relp://")) {
        address.protocol = CollectorAddress::Relp;
        rest += 7;
    } else {
        ThrowBadCollector(value);
    }
    const char* colon;
    string host;
    if (*rest == '[') {
        const char* close = strchr(rest, ']');
        if (!close || close[1] != ':') ThrowBadCollector(value);
        host = ExpEnv(string(rest + 1, static_cast<size_t>(close - rest - 1)));
        if (!Ipv6Host(host)) ThrowBadCollector(value);
        colon = close + 1;
    } else {
        colon = strrchr(rest, ':');
        if (!colon) ThrowBadCollector(value);
        host = ExpEnv(string(rest, static_cast<size_t>(colon - rest)));
        if (!NameHost(host)) ThrowBadCollector(value);
    }
    address.port = PortOf(colon + 1);
    if (!address.port) ThrowBadCollector(value);
    address.host = host;
    return address;
}
