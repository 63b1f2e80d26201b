// MessageRecorder: while one lives, every message box shown through the
// support library's seam comes to it instead of the screen: it is recorded,
// and answered with the next button queued by Answer (IDOK when none is
// left). It installs its handler with SetMessageHandler, which reaches the
// code linked into this executable; a module that carries its own copy of
// the library (aRvik.dll) reaches it only through the handler that the
// executable exports by name: link arvik_testsupport_export for that (with
// no recorder alive, that handler answers IDOK and keeps nothing).
// Recorders nest: the newest gets the boxes until it goes. The boxes are
// recorded without a lock: one thread at a time shows them.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include <fwbase/Message.h>

// A box as the handler received it.
struct ShownMessage {
    MessageKind kind;
    std::string text, caption;
    UINT style;
    HWND owner;
};

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Queues the button that a later box is answered with.
    void Answer(int button) { answers_.push_back(button); }
    // The boxes since the recorder was made or last cleared, oldest first.
    const std::vector<ShownMessage>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }
    // The buttons queued and not yet given.
    const std::deque<int>& Unused() const { return answers_; }

    // The handler: records the box with the newest recorder alive.
    static int __stdcall Record(const MessageRequest& request);

private:
    std::vector<ShownMessage> boxes_;
    std::deque<int> answers_;
    MessageRecorder* outer_;
    MessageHandler previous_;
};
