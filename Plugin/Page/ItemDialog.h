// aRvikControlPage::ItemDialog: the modal dialog in which the operator
// enters a new additional session property or changes the value of one.
//
// It shows the caller's name and value, and on Ok writes both back with
// leading and trailing blanks removed; any other ending leaves them alone.
// Ok is enabled exactly while both fields hold text (as typed, blanks
// count). For a new property the name is editable; otherwise it is
// read-only and the value field has the focus. The two strings belong to
// the caller and must outlive the run; either may be null.
#pragma once

#include <fwwin/Dialog.h>

#include "Page/aRvikControlPage.h"

class aRvikControlPage::ItemDialog : public DDialog {
public:
    enum { NameField = 1485, ValueField = 1479 };

    ItemDialog(bool isNew, keystring* name, string* value);

    INT_PTR DialogMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool InitDialog(HWND window) override;
    bool Command(int code, int id, HWND control) override;
    void Ok() override;

    void UpdateOk();

private:
    bool isNew;
    keystring* name;
    string* value;
};
