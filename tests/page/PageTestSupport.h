// Shared helpers of the page tests: recorded message boxes, plain windows,
// running a modal dialog with a script; window pictures come from the
// host's Picture.h.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <fwbase/Message.h>
#include <Picture.h>

namespace pagetest {

struct Seen {
    MessageKind kind;
    std::string text, caption;
    UINT style;
    HWND owner;
};

// Records every box; answers with the queued buttons, then IDOK.
class MessageRecorder {
public:
    MessageRecorder() { previous_ = SetMessageHandler(Record); seen().clear(); answers().clear(); }
    ~MessageRecorder() { SetMessageHandler(previous_); }
    void Answer(int button) { answers().push_back(button); }
    const std::vector<Seen>& Boxes() const { return seen(); }

private:
    static std::vector<Seen>& seen() { static std::vector<Seen> s; return s; }
    static std::vector<int>& answers() { static std::vector<int> a; return a; }
    static int __stdcall Record(const MessageRequest& r) {
        seen().push_back({r.kind, r.text, r.caption, r.style, r.owner});
        if (answers().empty()) return IDOK;
        int a = answers().front();
        answers().erase(answers().begin());
        return a;
    }
    MessageHandler previous_;
};

// A top-level window of a class that counts what it receives.
HWND CreatePlainWindow(const char* title, int width = 400, int height = 300, HWND parent = nullptr);
// Messages a plain window received, by message number (and last wParam).
int Received(HWND window, UINT message, WPARAM* lastWParam = nullptr);
void ClearReceived();
// What a plain window answers to message (default 0).
void AnswerWith(UINT message, LRESULT result);

// Delivers the thread's posted messages (bounded).
void Pump();

// Runs script on the dialog window (found on this thread by its class)
// once the modal loop runs; if it is still open after timeoutMs, the
// dialog is cancelled so nothing blocks. Gives what run(owner) returns.
INT_PTR RunModal(const std::function<INT_PTR()>& run, const std::function<void(HWND)>& script,
                 UINT timeoutMs = 10000);

// Text of a dialog control.
std::string ItemText(HWND dialog, int id);

}  // namespace pagetest
