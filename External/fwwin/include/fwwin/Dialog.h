// DDialog: a dialog made from a template of a module's resources.
//
// Execute runs it modally and gives the result that EndDialog set (-1 when
// the dialog could not be made or its initialisation failed); Create makes
// it modeless. DialogMessage dispatches WM_INITDIALOG to InitDialog,
// WM_COMMAND to Command and WM_ACTIVATE to Activation. Command routes the
// button ids IDOK (1) to Ok and IDCANCEL (2) to Cancel; the close box and
// Escape arrive as IDCANCEL. Ok ends the dialog with 1, Cancel with 2.
// An exception that leaves a message is shown (UnhandledException); one
// that leaves InitDialog also ends the dialog with -1.
// The object does not own the window beyond the run: the window forgets
// the object when it is destroyed.
#pragma once

#include "Window.h"

class DDialog : public DWindow {
public:
    DDialog(HINSTANCE module, const char* templateName);
    ~DDialog() override;

    LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual INT_PTR Execute(HWND owner);
    virtual HWND Create(HWND owner);
    virtual INT_PTR ReceiveDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR DialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // True lets the system put the focus on the first control.
    virtual bool InitDialog(HWND window);
    virtual void EndDialog(INT_PTR result);
    // True when the command was handled.
    virtual bool Command(int code, int id, HWND control);
    virtual void Ok();
    virtual void Cancel();
    virtual bool Activation(int state, HWND other);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HINSTANCE module_;
    string template_;
    const char* name_;
    bool modal_;
};
