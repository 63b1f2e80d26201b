// Bodies of any size, as HttpClient streams them: a request's body read
// from a source in pieces, sent anew from its start on a redirect that
// keeps it; an answer's body handed to a sink as it arrives, nothing of it
// kept. Both may throw; what they throw ends the request and goes on.
#pragma once

#include <windows.h>

class HttpBodySource {
public:
    virtual unsigned long long Size() = 0;
    virtual void Rewind() = 0;
    // At most ask bytes into to; how many came, 0 at the end.
    virtual DWORD Read(char* to, DWORD ask) = 0;
    // Throws: the source ended before its size.
    [[noreturn]] virtual void Shorter() = 0;

protected:
    ~HttpBodySource() {}
};

class HttpBodySink {
public:
    virtual void Write(const char* bytes, DWORD size) = 0;

protected:
    ~HttpBodySink() {}
};
