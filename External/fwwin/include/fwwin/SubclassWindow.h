// DSubclassWindow: sees the messages of an existing window before the
// window's own procedure does.
//
// The object hooks itself into the window at construction (Subclassing)
// and unhooks in Desubclassing; DefaultProcessing passes a message on to
// the window's procedure. Hooks of several objects on one window may come
// and go in any order.
//
// Mode SubclassOwnedByWindow (1): the object belongs to the window. It
// unhooks and deletes itself when the window is destroyed, so it must be
// made with new and nobody else deletes it. In mode 0 the creator deletes
// it; deletion unhooks.
#pragma once

#include "Window.h"

enum { SubclassOwnedByWindow = 1 };

class DSubclassWindow : public DWindow {
public:
    DSubclassWindow(HWND window, int mode);
    ~DSubclassWindow() override;

    LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual bool Subclassing();
    virtual void Desubclassing();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
    int mode_;
    bool hooked_;
};
