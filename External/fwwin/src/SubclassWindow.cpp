#include <fwwin/SubclassWindow.h>

#include <commctrl.h>

DSubclassWindow::DSubclassWindow(HWND window, int mode)
    : DWindow(window), mode_(mode), hooked_(false) {
    Subclassing();
}

DSubclassWindow::~DSubclassWindow() { Desubclassing(); }

bool DSubclassWindow::Subclassing() {
    if (!hooked_ && window_)
        hooked_ = ::SetWindowSubclass(window_, Procedure, reinterpret_cast<UINT_PTR>(this),
                                      reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    return hooked_;
}

void DSubclassWindow::Desubclassing() {
    if (!hooked_) return;
    ::RemoveWindowSubclass(window_, Procedure, reinterpret_cast<UINT_PTR>(this));
    hooked_ = false;
}

LRESULT DSubclassWindow::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(Handle(), message, wParam, lParam);
}

LRESULT DSubclassWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProcessing(message, wParam, lParam);
}

LRESULT CALLBACK DSubclassWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    DSubclassWindow* object = reinterpret_cast<DSubclassWindow*>(self);
    LRESULT result = object->ReceiveMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        object->Desubclassing();
        object->window_ = nullptr;
        if (object->mode_ & SubclassOwnedByWindow) delete object;
    }
    return result;
}
