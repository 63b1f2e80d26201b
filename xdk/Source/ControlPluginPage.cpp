#include "ControlPluginPage.h"

#include <prsht.h>

#include <WindowPort.h>
#include <fwbase/Format.h>
#include <fwbase/Message.h>

namespace TAXDK {
namespace Standard {

ControlPluginPage::ControlPluginPage(ITallivantControlPanel* host_, const string& name)
    : TallivantObject2<ITallivantControlPage>(co<ITypeInfo>(), SafeForScripting), host(host_), window(nullptr),
      caption(name.c_str()) {}

ControlPluginPage::~ControlPluginPage() {}

LONG STDMETHODCALLTYPE ControlPluginPage::Init(LONG_PTR window_) {
    window = reinterpret_cast<HWND>(window_);
    return 1;
}

LONG STDMETHODCALLTYPE ControlPluginPage::Activate() { return 0; }

LONG STDMETHODCALLTYPE ControlPluginPage::Command(unsigned short, unsigned short, LONG_PTR) {
    return 0;
}

LONG STDMETHODCALLTYPE ControlPluginPage::Help(LONG_PTR) { return 0; }

LONG STDMETHODCALLTYPE ControlPluginPage::Apply(LONG, LONG, LONG*) { return 1; }

HWND ControlPluginPage::PageWindow() { return window; }

void ControlPluginPage::ActivateControl(HWND control) {
    HWND sheet = ::GetParent(window);
    if (sheet) {
        LRESULT index = ::SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(window), 0);
        ::PostMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    ::PostMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), 1);
}

bool ControlPluginPage::FieldWarning(HWND control, const char* field, const char* text) {
    string message = string("Поле \"") + field + "\": " + text + "\r\n\"Отмена\" - исправить значение.";
    if (Message(message, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2, nullptr, nullptr, 0) != IDCANCEL)
        return false;
    ActivateControl(control);
    return true;
}

void ControlPluginPage::FieldError(HWND control, const char* field, const char* text) {
    string message = string("Поле \"") + field + "\": " + text;
    ShowError(message, nullptr, nullptr, 0);
    ActivateControl(control);
}

int ControlPluginPage::Message(const char* text, UINT style, HWND owner, const char* caption_,
                               int flags) {
    if (!owner && !(flags & KeepOwner)) owner = window;
    if (!caption_ && !(flags & KeepCaption)) caption_ = caption;
    return AppMessage(text, style, owner, caption_, flags);
}

void ControlPluginPage::ShowError(const char* text, HWND owner, const char* caption_, int flags) {
    if (!owner && !(flags & KeepOwner)) owner = window;
    if (!caption_ && !(flags & KeepCaption)) caption_ = caption;
    ErrorMessage(text, owner, caption_, flags);
}

// "." after the hint in parentheses, or directly after the text.
static string WithHint(string text, const char* hint, const char* otherwise) {
    if (NotEmpty(hint))
        text = text + " (" + hint + ")";
    else
        text = text + otherwise;
    return text + ".";
}

bool ControlPluginPage::CheckEmpty(HWND control, const char* field, const char* hint) {
    if (!WindowText(control).empty()) return true;
    return !FieldWarning(control, field, WithHint("пустое/незаданное значение", hint, ""));
}

bool ControlPluginPage::CheckSpaces(HWND control, const char* field, const char* hint) {
    string text = WindowText(control);
    size_t n = text.length();
    const char* place = nullptr;
    if (n && text.c_str()[0] == ' ')
        place = "начале";
    else if (n && text.c_str()[n - 1] == ' ')
        place = "конце";
    if (!place) return true;
    string message = WithHint(string("пробелы в ") + place + " текста", hint,
                              " (во избежание двусмысленности дальнейшего использования данного "
                              "значения рекомендуется не вставлять пробелы в начале и в конце)");
    return !FieldWarning(control, field, message);
}

bool ControlPluginPage::CheckPassword(HWND control, HWND repeat, const char* field, const char* hint) {
    string first = WindowText(control), second = WindowText(repeat);
    if (!NotEmpty(field)) field = "Пароль";
    if (::lstrcmpA(first, second) != 0) {
        FieldError(control, field, "повторный ввод не соответствует паролю, введите пароль ещё раз.");
        return false;
    }
    return CheckEmpty(control, field, hint) && CheckSpaces(control, field, hint);
}

bool ControlPluginPage::CheckInteger(HWND control, const char* field, int* value) {
    string text = WindowText(control);
    double number;
    try {
        number = ScanNumber(NumberCommaOrHex, text, 0, true);
    } catch (const NumericSyntax&) {
        FieldError(control, field, string("ошибка формата целого числа (\"") + text + "\")");
        return false;
    }
    // Beyond the 64-bit range the conversion would be undefined: clamp.
    const double limit = 9223372036854775807.0;
    long long whole = number >= limit    ? 0x7FFFFFFFFFFFFFFFLL
                      : number <= -limit ? (-0x7FFFFFFFFFFFFFFFLL - 1)
                                         : static_cast<long long>(number);
    if (value) *value = static_cast<int>(static_cast<unsigned long long>(whole) & 0xFFFFFFFFu);
    return true;
}

}  // namespace Standard
}  // namespace TAXDK
