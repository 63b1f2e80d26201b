#include "Page/ItemDialog.h"

#include <memory>

#include <ControlPort.h>
#include <fwbase/Message.h>
#include <fwlayout/AutoLayout.h>
#include <fwwin/Text.h>

#include "Resources/Instance.h"

aRvikControlPage::ItemDialog::ItemDialog(bool isNew_, keystring* name_, string* value_)
    : DDialog(PluginInstance(), "aRvikControlPage::ItemDialog"), isNew(isNew_), name(name_),
      value(value_) {}

INT_PTR aRvikControlPage::ItemDialog::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DDialog::DialogMessage(message, wParam, lParam);
}

bool aRvikControlPage::ItemDialog::InitDialog(HWND window) {
    bool result = DDialog::InitDialog(window);
    LRESULT icon = ::SendMessageA(::GetParent(window), WM_GETICON, ICON_BIG, 0);
    SendMessage(WM_SETICON, ICON_BIG, icon);

    // Both fields follow the dialog's right edge.
    static const LayoutRule rules[] = {
        {NameField, LayoutStretch, EdgeRight, 0, EdgeRight, 0, 0},
        {ValueField, LayoutStretch, EdgeRight, 0, EdgeRight, 0, 0},
    };
    (new AutoLayout(window))->SetRules(rules, 2);

    EditPort nameField(this, NameField), valueField(this, ValueField);
    if (isNew) {
        SetWindowText("Новый параметр");
        nameField.SendMessage(EM_SETREADONLY, 0);
    } else {
        if (name) SetWindowText(string("Параметр \"") + *name + "\"");
        nameField.SendMessage(EM_SETREADONLY, 1);
        valueField.SetFocus();
        result = false;
    }
    if (name) nameField.SetWindowText(*name);
    if (value) valueField.SetWindowText(*value);
    UpdateOk();
    return result;
}

void aRvikControlPage::ItemDialog::UpdateOk() {
    bool ready = !WindowText(GetDlgItem(NameField)).empty() &&
                 !WindowText(GetDlgItem(ValueField)).empty();
    ButtonPort(this, IDOK).EnableWindow(ready);
}

bool aRvikControlPage::ItemDialog::Command(int code, int id, HWND control) {
    try {
        if ((id == ValueField || id == NameField) && code == EN_CHANGE) UpdateOk();
        return DDialog::Command(code, id, control);
    } catch (const KelmirException& e) {
        ErrorMessage(e.Reason(), nullptr, nullptr, 0);
        return false;
    }
}

// The field's text without leading and trailing blanks.
static string Trimmed(HWND field) {
    string text = WindowText(field);
    size_t n = text.length();
    std::unique_ptr<char[]> buffer(new char[n + 1]);
    memcpy(buffer.get(), text.c_str() ? text.c_str() : "", n + 1);
    return string(trim(buffer.get()));
}

void aRvikControlPage::ItemDialog::Ok() {
    if (name) *name = keystring(Trimmed(GetDlgItem(NameField)));
    if (value) *value = Trimmed(GetDlgItem(ValueField));
    DDialog::Ok();
}
