#include <fwwin/Dialog.h>

DDialog::DDialog(HINSTANCE module, const char* templateName)
    : DWindow(nullptr), module_(module), name_(templateName), modal_(false) {
    // A named template is copied; a numeric one (MAKEINTRESOURCE) is its number.
    if (!IS_INTRESOURCE(templateName)) {
        template_ = templateName;
        name_ = template_.c_str();
    }
}

DDialog::~DDialog() {
    if (window_) ::SetWindowLongPtrA(window_, DWLP_USER, 0);
}

LRESULT DDialog::DefaultProcessing(UINT, WPARAM, LPARAM) { return FALSE; }

LRESULT DDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DialogMessage(message, wParam, lParam);
}

INT_PTR DDialog::Execute(HWND owner) {
    modal_ = true;
    return ::DialogBoxParamA(module_, name_, owner, Procedure, reinterpret_cast<LPARAM>(this));
}

HWND DDialog::Create(HWND owner) {
    modal_ = false;
    return ::CreateDialogParamA(module_, name_, owner, Procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR DDialog::ReceiveDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return ReceiveMessage(message, wParam, lParam);
    } catch (...) {
        UnhandledException();
        return FALSE;
    }
}

INT_PTR DDialog::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return InitDialog(Handle());
    case WM_COMMAND:
        return Command(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
        return Activation(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    }
    return DefaultProcessing(message, wParam, lParam);
}

bool DDialog::InitDialog(HWND) { return true; }

void DDialog::EndDialog(INT_PTR result) {
    if (modal_)
        ::EndDialog(Handle(), result);
    else
        ::DestroyWindow(Handle());
}

bool DDialog::Command(int code, int id, HWND control) {
    switch (id) {
    case IDOK:
        Ok();
        return true;
    case IDCANCEL:
        Cancel();
        return true;
    }
    return false;
}

void DDialog::Ok() { EndDialog(IDOK); }
void DDialog::Cancel() { EndDialog(IDCANCEL); }
bool DDialog::Activation(int, HWND) { return false; }

INT_PTR CALLBACK DDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DDialog*>(lParam);
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->window_ = window;
        INT_PTR result;
        try {
            result = self->HandleMessage(message, wParam, lParam);
        } catch (...) {
            self->UnhandledException();
            self->EndDialog(-1);
            return FALSE;
        }
        return result;
    }
    self = reinterpret_cast<DDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = self->ReceiveDialogMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}
