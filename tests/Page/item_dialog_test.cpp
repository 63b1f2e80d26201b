// The parameter dialog, run modally on real windows and driven by a script
// from inside its own modal loop.
#include <gtest/gtest.h>

#include <Page/ItemDialog.h>

#include "Page/PageTestSupport.h"

using namespace pagetest;

namespace {

class ItemDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner = CreatePlainWindow("Панель");
        icon = LoadIcon(nullptr, IDI_INFORMATION);
        SendMessageA(owner, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    void TearDown() override { DestroyWindow(owner); }

    INT_PTR Run(bool isNew, keystring* name, string* value, const std::function<void(HWND)>& script) {
        aRvikControlPage::ItemDialog dialog(isNew, name, value);
        return RunModal([&] { return dialog.Execute(owner); }, script);
    }
    static std::string Title(HWND dialog) { return std::string(WindowText(dialog)); }
    static bool OkEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }
    static bool ReadOnly(HWND dialog, int id) {
        return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & ES_READONLY) != 0;
    }

    HWND owner;
    HICON icon;
    MessageRecorder boxes;
};

RECT ChildRect(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST_F(ItemDialogTest, NewParameterEnablesOkOnlyWithBothTextsAndTrims) {
    keystring name;
    string value;
    INT_PTR result = Run(true, &name, &value, [&](HWND d) {
        EXPECT_EQ("Новый параметр", Title(d));
        EXPECT_FALSE(ReadOnly(d, 1485));
        EXPECT_EQ("", ItemText(d, 1485));
        EXPECT_EQ("", ItemText(d, 1479));
        EXPECT_FALSE(OkEnabled(d));
        SetDlgItemTextA(d, 1485, "  Имя.Параметра ");
        EXPECT_FALSE(OkEnabled(d));
        SetDlgItemTextA(d, 1479, "  два  слова  ");
        EXPECT_TRUE(OkEnabled(d));
        SetDlgItemTextA(d, 1479, "");
        EXPECT_FALSE(OkEnabled(d));
        SetDlgItemTextA(d, 1479, "  два  слова  ");
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(d, WM_GETICON, ICON_BIG, 0));
        EXPECT_TRUE(SaveWindowPicture(d, "item_dialog.bmp", "item_dialog.png"));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ("Имя.Параметра", std::string(name));
    EXPECT_EQ("два  слова", std::string(value));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ItemDialogTest, BlanksOnlyEnableOkAndArriveEmpty) {
    keystring name("old");
    string value("old");
    INT_PTR result = Run(true, &name, &value, [&](HWND d) {
        SetDlgItemTextA(d, 1485, "   ");
        SetDlgItemTextA(d, 1479, " ");
        EXPECT_TRUE(OkEnabled(d));
        SendMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(1, result);
    EXPECT_FALSE(name.c_str() == nullptr);
    EXPECT_EQ("", std::string(name));
    EXPECT_EQ("", std::string(value));
}

TEST_F(ItemDialogTest, ExistingParameterShowsNameReadOnlyAndFocusesTheValue) {
    keystring name("Terminal.Port");
    string value("COM1");
    INT_PTR result = Run(false, &name, &value, [&](HWND d) {
        EXPECT_EQ("Параметр \"Terminal.Port\"", Title(d));
        EXPECT_TRUE(ReadOnly(d, 1485));
        EXPECT_EQ("Terminal.Port", ItemText(d, 1485));
        EXPECT_EQ("COM1", ItemText(d, 1479));
        EXPECT_EQ(GetDlgItem(d, 1479), GetFocus());
        EXPECT_TRUE(OkEnabled(d));
        SetDlgItemTextA(d, 1479, " COM2");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ("Terminal.Port", std::string(name));
    EXPECT_EQ("COM2", std::string(value));
}

TEST_F(ItemDialogTest, CancelEscapeAndCloseBoxLeaveTheStrings) {
    keystring name("A");
    string value("B");
    auto type = [](HWND d) {
        SetDlgItemTextA(d, 1479, "changed");
    };
    EXPECT_EQ(IDCANCEL, Run(false, &name, &value, [&](HWND d) {
        type(d);
        SendMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0);
    }));
    EXPECT_EQ(IDCANCEL, Run(false, &name, &value, [&](HWND d) {
        type(d);
        HWND edit = GetDlgItem(d, 1479);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    }));
    EXPECT_EQ(IDCANCEL, Run(false, &name, &value, [&](HWND d) {
        type(d);
        PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    }));
    EXPECT_EQ("A", std::string(name));
    EXPECT_EQ("B", std::string(value));
}

TEST_F(ItemDialogTest, WideningStretchesBothFieldsOnly) {
    keystring name("N");
    string value("V");
    Run(false, &name, &value, [&](HWND d) {
        const int ids[] = {1485, 1479, IDOK, IDCANCEL};
        RECT before[4], after[4];
        for (int i = 0; i < 4; ++i) before[i] = ChildRect(d, ids[i]);
        RECT w;
        GetWindowRect(d, &w);
        SetWindowPos(d, nullptr, 0, 0, w.right - w.left + 100, w.bottom - w.top, SWP_NOMOVE | SWP_NOZORDER);
        for (int i = 0; i < 4; ++i) after[i] = ChildRect(d, ids[i]);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(before[i].left, after[i].left);
            EXPECT_EQ(before[i].top, after[i].top);
            EXPECT_EQ(before[i].right + 100, after[i].right);
        }
        for (int i = 2; i < 4; ++i) EXPECT_EQ(0, memcmp(&before[i], &after[i], sizeof(RECT)));
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
}

// The template as stored in the resources, item by item.
TEST(ItemDialogTemplateTest, ControlsIdsStylesAndSizes) {
    HRSRC found = FindResourceA(GetModuleHandleA(nullptr), "aRvikControlPage::ItemDialog", MAKEINTRESOURCEA(5));
    ASSERT_TRUE(found);
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    const DLGTEMPLATE* t = reinterpret_cast<const DLGTEMPLATE*>(p);
    EXPECT_EQ(0x80CC0840u, t->style);
    ASSERT_EQ(6, t->cdit);
    EXPECT_EQ(200, t->cx);
    EXPECT_EQ(64, t->cy);
    const WORD* w = reinterpret_cast<const WORD*>(t + 1);
    auto skip = [](const WORD* s) {  // a 0xFFFF ordinal or a text
        if (*s == 0xFFFF) return s + 2;
        while (*s++) {}
        return s;
    };
    w = skip(w);  // menu
    w = skip(w);  // class
    EXPECT_EQ(L"Дополнительный параметр", std::wstring(reinterpret_cast<const wchar_t*>(w)));
    w = skip(w);
    EXPECT_EQ(8, *w);
    EXPECT_EQ(L"MS Shell Dlg", std::wstring(reinterpret_cast<const wchar_t*>(w + 1)));
    w = skip(w + 1);
    struct Expected { int id; const wchar_t* cls; const wchar_t* text; short x, y, cx, cy; DWORD style; };
    const Expected items[] = {
        {-1, L"STATIC", L"&Параметр:", 8, 6, 40, 10, 0x50000001},
        {1485, L"EDIT", L"", 50, 4, 138, 12, 0x50810880},
        {-1, L"STATIC", L"&Значение:", 8, 23, 40, 10, 0x50000001},
        {1479, L"EDIT", L"", 50, 21, 138, 12, 0x50810080},
        {1, L"BUTTON", L"Ok", 48, 42, 50, 14, 0x50010300},
        {2, L"BUTTON", L"Отмена", 102, 42, 50, 14, 0x50010300},
    };
    for (const Expected& e : items) {
        w = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(w) + 3) & ~UINT_PTR(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(w);
        EXPECT_EQ(e.style, item->style) << e.id;
        EXPECT_EQ(e.x, item->x);
        EXPECT_EQ(e.y, item->y);
        EXPECT_EQ(e.cx, item->cx);
        EXPECT_EQ(e.cy, item->cy);
        EXPECT_EQ(static_cast<WORD>(e.id), item->id);
        w = reinterpret_cast<const WORD*>(item + 1);
        if (*w == 0xFFFF) {
            ADD_FAILURE() << "class given as an atom";
            w += 2;
        } else {
            EXPECT_EQ(std::wstring(e.cls), std::wstring(reinterpret_cast<const wchar_t*>(w)));
            w = skip(w);
        }
        EXPECT_EQ(std::wstring(e.text), std::wstring(reinterpret_cast<const wchar_t*>(w)));
        w = skip(w);
        w += 1 + (*w + 1) / 2;  // creation data
    }
}
