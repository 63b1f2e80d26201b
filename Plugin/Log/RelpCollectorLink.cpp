// A collector over RELP, as rsyslog's imrelp speaks it: frames
// "TXNR COMMAND DATALEN[ DATA]\n"; a session opens with "open" (its offers)
// and ends with "close"; every command gets its "rsp" in order, "200 OK"
// when the collector took it. Transaction numbers run from 1 on each
// connection, up by one a command.
//
// Up to kWindow messages are in flight at once. A message counts as taken
// when its 200 came, and only in order: an answer that is not 200, a frame
// that is no RELP, the connection's end or the limit passing drops the
// connection, and what is not acknowledged by then the caller sends again
// (the collector may then get a message twice: its id tells).
#include "Log/CollectorSocket.h"

#include "Log/CollectorLinks.h"

#include <Buffer.h>
#include <ShownText.h>

#include "Version.h"

#include <stdio.h>
#include <string.h>

namespace {

const size_t kWindow = 128;
// Transaction numbers have nine digits at most; a connection that would
// run past them is made anew.
const unsigned long kLastTxnr = 999999999;
// The longest answer taken: an "rsp" to "open" lists the collector's
// offers, the others are a few bytes.
const unsigned long kLongestAnswer = 0x10000;

const char kOffers[] = "relp_version=0\nrelp_software=aRvik," ARVIK_VERSION_TEXT ",none\ncommands=syslog";

// One frame read from the collector.
struct Frame {
    unsigned long txnr = 0;
    char command[33] = "";
    const char* data = nullptr;
    size_t size = 0;
};

// The first frame of data (size bytes): 1 when whole (consumed its bytes),
// 0 when more must come, -1 when it is no RELP frame.
int ParseFrame(const char* data, size_t size, Frame& frame, size_t& consumed) {
    size_t i = 0;
    auto number = [&](unsigned long& value) {
        size_t start = i;
        value = 0;
        while (i < size && data[i] >= '0' && data[i] <= '9') {
            if (i - start == 9) return -1;
            value = value * 10 + static_cast<unsigned long>(data[i++] - '0');
        }
        if (i == size) return 0;
        return i > start ? 1 : -1;
    };
    auto blank = [&]() {
        if (i == size) return 0;
        return data[i++] == ' ' ? 1 : -1;
    };
    int r = number(frame.txnr);
    if (r <= 0 || (r = blank()) <= 0) return r;
    size_t start = i;
    while (i < size && ((data[i] >= 'a' && data[i] <= 'z') || (data[i] >= 'A' && data[i] <= 'Z'))) {
        if (i - start == 32) return -1;
        ++i;
    }
    if (i == size) return 0;
    if (i == start) return -1;
    memcpy(frame.command, data + start, i - start);
    frame.command[i - start] = 0;
    unsigned long length = 0;
    if ((r = blank()) <= 0 || (r = number(length)) <= 0) return r;
    if (length > kLongestAnswer) return -1;
    if (length > 0 && (r = blank()) <= 0) return r;
    if (size - i < length + 1) return 0;
    frame.data = data + i;
    frame.size = length;
    i += length;
    if (data[i++] != '\n') return -1;
    consumed = i;
    return 1;
}

void AppendFrame(Buffer<char>& out, unsigned long txnr, const char* command, const char* data, size_t size) {
    char head[48];
    int n = snprintf(head, sizeof head, size ? "%lu %s %u " : "%lu %s %u", txnr, command, static_cast<unsigned>(size));
    out.Append(head, static_cast<size_t>(n));
    out.Append(data, size);
    out.Append("\n", 1);
}

class RelpCollectorLink : public CollectorLink {
public:
    explicit RelpCollectorLink(const CollectorAddress& address) : socket_(address), next_(1) {}
    ~RelpCollectorLink() override;

    size_t Send(const std::vector<string>& messages, DWORD timeoutMs, string& reason) override {
        reason = "";
        acked_ = 0;
        try {
            Deliver(messages, timeoutMs, reason);
        } catch (...) {
            // Only memory runs out here; the reason itself may not be had.
            socket_.Drop();
            try {
                reason = socket_.Failure("нет памяти");
            } catch (...) {
            }
        }
        return acked_;
    }

private:
    void Deliver(const std::vector<string>& messages, DWORD timeoutMs, string& reason);
    // Takes the answers that came in received_; false with reason when one
    // is no "200" to the next command waiting.
    bool TakeAnswers(string& reason);
    // Drops the connection with reason.
    void Fail(string& reason, const string& why) {
        reason = why;
        socket_.Drop();
    }

    CollectorSocket socket_;
    unsigned long next_;       // the next command's transaction number
    unsigned long awaited_;    // the transaction number of the next answer
    unsigned long openTxnr_;   // the open's, 0 once answered
    unsigned long firstTxnr_;  // the first message's of this Send
    size_t acked_;             // messages of this Send acknowledged
    Buffer<char> received_;    // what came and is not yet taken
};

RelpCollectorLink::~RelpCollectorLink() {
    if (!socket_.Connected()) return;
    // Nothing is in flight: a "close", and the collector's end of the
    // connection awaited a second at most, so that it sees a session ended
    // and not one broken.
    char close[24];
    int size = snprintf(close, sizeof close, "%lu close 0\n", next_);
    int error = 0;
    if (socket_.Write(close, static_cast<size_t>(size), error) != size) return;
    Deadline deadline(1000);
    bool readable = false, writable = false;
    char ignored[256];
    while (socket_.Wait(false, deadline, readable, writable) && socket_.Read(ignored, sizeof ignored, error) > 0) {
    }
}

bool RelpCollectorLink::TakeAnswers(string& reason) {
    size_t taken = 0;
    int r = 0;
    Frame frame;
    size_t consumed = 0;
    while ((r = ParseFrame(received_.Data() + taken, received_.Size() - taken, frame, consumed)) > 0) {
        taken += consumed;
        if (strcmp(frame.command, "serverclose") == 0) {
            Fail(reason, socket_.Failure("соединение прервано"));
            return false;
        }
        if (strcmp(frame.command, "rsp") != 0 || frame.txnr != awaited_ || awaited_ >= next_) {
            Fail(reason, socket_.Failure("неверный ответ"));
            return false;
        }
        bool ok = frame.size >= 3 && memcmp(frame.data, "200", 3) == 0 &&
                  (frame.size == 3 || frame.data[3] == ' ' || frame.data[3] == '\n');
        if (!ok) {
            // The answer's first line, as it came (a line of its own in no log).
            size_t line = 0;
            while (line < frame.size && line < 200 && frame.data[line] != '\n') ++line;
            string answer = TAXDK::Standard::ShownText(string(frame.data, line));
            Fail(reason, socket_.Failure((string("отказ: ") + answer).c_str()));
            return false;
        }
        if (awaited_ == openTxnr_)
            openTxnr_ = 0;
        else if (awaited_ >= firstTxnr_)
            ++acked_;
        ++awaited_;
    }
    if (r < 0) {
        Fail(reason, socket_.Failure("неверный ответ"));
        return false;
    }
    // What is left is the start of a frame still coming.
    if (taken) {
        size_t left = received_.Size() - taken;
        memmove(received_.Data(), received_.Data() + taken, left);
        received_.Clear();
        received_.Grow(left);
    }
    return true;
}

void RelpCollectorLink::Deliver(const std::vector<string>& messages, DWORD timeoutMs, string& reason) {
    if (messages.empty()) return;
    Deadline deadline(timeoutMs);
    if (socket_.Connected() && (socket_.Stale() || next_ + messages.size() > kLastTxnr)) socket_.Drop();
    Buffer<char> out;
    if (!socket_.Connected()) {
        if (!socket_.Connect(deadline, timeoutMs, reason)) return;
        received_.Clear();
        next_ = 1;
        awaited_ = 1;
        openTxnr_ = next_++;
        AppendFrame(out, openTxnr_, "open", kOffers, strlen(kOffers));
    }
    firstTxnr_ = next_;
    size_t framed = 0, written = 0;
    while (acked_ < messages.size()) {
        // The window: at most kWindow messages sent and not yet acknowledged.
        for (; framed < messages.size() && framed - acked_ < kWindow && out.Size() - written < 0x40000; ++framed)
            AppendFrame(out, next_++, "syslog", messages[framed].c_str(), messages[framed].length());
        bool readable = false, writable = false;
        if (!socket_.Wait(written < out.Size(), deadline, readable, writable))
            return Fail(reason, socket_.TimeFailure(timeoutMs));
        int error = 0;
        if (writable) {
            int sent = socket_.Write(out.Data() + written, out.Size() - written, error);
            if (sent < 0) return Fail(reason, socket_.ErrorFailure(error));
            written += static_cast<size_t>(sent);
            if (written == out.Size()) {
                out.Clear();
                written = 0;
            }
        }
        if (readable) {
            char* room = received_.Room(0x4000);
            int got = socket_.Read(room, 0x4000, error);
            if (got == 0) return Fail(reason, socket_.Failure("соединение прервано"));
            if (got < 0 && error != WSAEWOULDBLOCK) return Fail(reason, socket_.ErrorFailure(error));
            if (got > 0) {
                received_.Grow(static_cast<size_t>(got));
                if (!TakeAnswers(reason)) return;
            }
        }
    }
}

}  // namespace

ptr<CollectorLink> OpenRelpCollectorLink(const CollectorAddress& address) {
    return ptr<CollectorLink>(new RelpCollectorLink(address));
}
