// A collector over plain TCP: RFC 5424 messages in RFC 6587 octet-counted
// frames, "LEN MSG". The collector answers nothing, so a message counts as
// taken once its frame is written whole; a frame cut by a failure or the
// time limit leaves the stream unreadable, and the connection is dropped.
#include "Log/CollectorSocket.h"

#include "Log/CollectorLinks.h"

#include <Buffer.h>

#include <stdio.h>

namespace {

class TcpCollectorLink : public CollectorLink {
public:
    explicit TcpCollectorLink(const CollectorAddress& address) : socket_(address) {}

    size_t Send(const std::vector<string>& messages, DWORD timeoutMs, string& reason) override {
        reason = "";
        size_t written = 0;
        try {
            written = Deliver(messages, timeoutMs, reason);
        } catch (...) {
            // Only memory runs out here; the reason itself may not be had.
            socket_.Drop();
            try {
                reason = socket_.Failure("нет памяти");
            } catch (...) {
            }
        }
        return written;
    }

private:
    size_t Deliver(const std::vector<string>& messages, DWORD timeoutMs, string& reason);

    CollectorSocket socket_;
};

size_t TcpCollectorLink::Deliver(const std::vector<string>& messages, DWORD timeoutMs, string& reason) {
    if (messages.empty()) return 0;
    Deadline deadline(timeoutMs);
    if (socket_.Connected() && socket_.Stale()) socket_.Drop();
    if (!socket_.Connected() && !socket_.Connect(deadline, timeoutMs, reason)) return 0;
    size_t whole = 0;  // messages written whole
    Buffer<char> frames;
    std::vector<size_t> ends;  // where each framed message ends in frames
    while (whole < messages.size()) {
        // The next frames, some 64 KiB of them, and written whole.
        frames.Clear();
        ends.clear();
        for (size_t i = whole; i < messages.size() && (i == whole || frames.Size() < 0x10000); ++i) {
            char length[16];
            int n = snprintf(length, sizeof length, "%u ", static_cast<unsigned>(messages[i].length()));
            frames.Append(length, static_cast<size_t>(n));
            frames.Append(messages[i].c_str(), messages[i].length());
            ends.push_back(frames.Size());
        }
        size_t done = 0, counted = 0;
        while (done < frames.Size()) {
            bool readable = false, writable = false;
            if (!socket_.Wait(true, deadline, readable, writable)) {
                reason = socket_.TimeFailure(timeoutMs);
                socket_.Drop();
                return whole;
            }
            int error = 0;
            if (readable) {
                char ignored[512];
                int got = socket_.Read(ignored, sizeof ignored, error);
                if (got == 0 || (got < 0 && error != WSAEWOULDBLOCK)) {
                    reason = got == 0 ? socket_.Failure("соединение прервано") : socket_.ErrorFailure(error);
                    socket_.Drop();
                    return whole;
                }
            }
            if (!writable) continue;
            int sent = socket_.Write(frames.Data() + done, frames.Size() - done, error);
            if (sent < 0) {
                reason = socket_.ErrorFailure(error);
                socket_.Drop();
                return whole;
            }
            done += static_cast<size_t>(sent);
            while (counted < ends.size() && ends[counted] <= done) ++counted, ++whole;
        }
    }
    return whole;
}

}  // namespace

ptr<CollectorLink> OpenTcpCollectorLink(const CollectorAddress& address) {
    return ptr<CollectorLink>(new TcpCollectorLink(address));
}
