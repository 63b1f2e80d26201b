// DWindow: a window wrapper that receives the window's messages.
//
// ReceiveMessage is where the window procedure hands over a message: it
// runs HandleMessage and turns any exception into UnhandledException, so
// nothing unwinds into the system's frames. HandleMessage, unless
// overridden, gives the message to DefaultProcessing (DefWindowProcA here;
// derived classes chain to their own default).
#pragma once

#include <WindowPort.h>

class DWindow : public WindowPort {
public:
    explicit DWindow(HWND window = nullptr) : WindowPort(window) {}
    ~DWindow() override {}

    virtual LRESULT ReceiveMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called inside the catch block of the exception that left a message:
    // shows its reason in an error box owned by the window.
    virtual void UnhandledException();
};
