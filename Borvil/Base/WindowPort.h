// WindowPort: a window handle with the Win32 window calls as operations.
//
// The wrapper never owns its window: destroying it only forgets the handle,
// the window lives on. Every operation applies one call to Handle(), which
// derived wrappers may fetch lazily; calls that return a success flag give
// a bool, the others return what the call returns.
#pragma once

#include <windows.h>

#include <str.h>

// The whole text of a window: GetWindowTextLengthA, then GetWindowTextA into
// a buffer one longer. A window without text gives the empty text.
inline string WindowText(HWND window) {
    int n = GetWindowTextLengthA(window);
    if (n < 0) n = 0;
    char* buffer = new char[n + 1];
    buffer[0] = 0;
    GetWindowTextA(window, buffer, n + 1);
    return string::Adopt(buffer);
}

class WindowPort {
public:
    explicit WindowPort(HWND window = nullptr) : window_(window) {}
    virtual ~WindowPort() { window_ = nullptr; }
    WindowPort(const WindowPort&) = delete;
    WindowPort& operator=(const WindowPort&) = delete;

    virtual HWND Handle() { return window_; }

    virtual ULONG_PTR SetClassLong(int index, LONG_PTR value) {
        return ::SetClassLongPtrA(Handle(), index, value);
    }
    virtual ULONG_PTR GetClassLong(int index) { return ::GetClassLongPtrA(Handle(), index); }
    virtual LONG_PTR SetWindowLong(int index, LONG_PTR value) {
        return ::SetWindowLongPtrA(Handle(), index, value);
    }
    virtual LONG_PTR GetWindowLong(int index) { return ::GetWindowLongPtrA(Handle(), index); }
    virtual LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageA(Handle(), message, wParam, lParam);
    }
    virtual LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendDlgItemMessageA(Handle(), id, message, wParam, lParam);
    }
    virtual bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageA(Handle(), message, wParam, lParam) != FALSE;
    }
    virtual bool DestroyWindow() { return ::DestroyWindow(Handle()) != FALSE; }
    virtual HWND SetParent(HWND parent) { return ::SetParent(Handle(), parent); }
    virtual HWND GetParent() { return ::GetParent(Handle()); }
    virtual HWND GetDlgItem(int id) { return ::GetDlgItem(Handle(), id); }
    // Gives whether the window was disabled before, as the system call does.
    virtual bool EnableWindow(bool enable) { return ::EnableWindow(Handle(), enable) != FALSE; }
    virtual bool IsWindowEnabled() { return ::IsWindowEnabled(Handle()) != FALSE; }
    // Gives whether the window was visible before.
    virtual bool ShowWindow(int command) { return ::ShowWindow(Handle(), command) != FALSE; }
    virtual bool IsWindowVisible() { return ::IsWindowVisible(Handle()) != FALSE; }
    virtual bool SetWindowText(const char* text) { return ::SetWindowTextA(Handle(), text) != FALSE; }
    virtual int GetWindowText(char* buffer, int size) { return ::GetWindowTextA(Handle(), buffer, size); }
    virtual int GetWindowTextLength() { return ::GetWindowTextLengthA(Handle()); }
    virtual bool SetMenu(HMENU menu) { return ::SetMenu(Handle(), menu) != FALSE; }
    virtual HMENU GetMenu() { return ::GetMenu(Handle()); }
    // Gives the window that had the focus before.
    virtual HWND SetFocus() { return ::SetFocus(Handle()); }
    virtual bool MoveWindow(int x, int y, int width, int height, bool repaint = true) {
        return ::MoveWindow(Handle(), x, y, width, height, repaint) != FALSE;
    }
    virtual bool UpdateWindow() { return ::UpdateWindow(Handle()) != FALSE; }
    virtual bool GetClientRect(RECT* rect) { return ::GetClientRect(Handle(), rect) != FALSE; }
    virtual bool GetWindowRect(RECT* rect) { return ::GetWindowRect(Handle(), rect) != FALSE; }
    virtual bool ScreenToClient(POINT* point) { return ::ScreenToClient(Handle(), point) != FALSE; }
    virtual bool ClientToScreen(POINT* point) { return ::ClientToScreen(Handle(), point) != FALSE; }

    // The whole window text.
    string Text() { return WindowText(Handle()); }

protected:
    HWND window_;
};
