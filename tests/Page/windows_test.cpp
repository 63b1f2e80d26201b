// Window wrappers, subclassing, list-view operations and layout rules on
// real windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <ListView.h>
#include <exceptions.h>
#include <fwlayout/AutoLayout.h>
#include <fwwin/SubclassWindow.h>

#include "Page/PageTestSupport.h"

using namespace pagetest;

namespace {

struct Window {
    HWND handle;
    explicit Window(HWND h) : handle(h) {}
    ~Window() { if (IsWindow(handle)) DestroyWindow(handle); }
};

RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(WindowPortTest, DestroyingTheWrapperLeavesTheWindowAndReadsLongTexts) {
    Window w(CreatePlainWindow("x"));
    ASSERT_TRUE(w.handle);
    std::string text(300, 'a');
    text[0] = 'B';
    text[299] = 'z';
    {
        WindowPort* port = new WindowPort(w.handle);
        EXPECT_TRUE(port->SetWindowText(text.c_str()));
        EXPECT_EQ(300, port->GetWindowTextLength());
        EXPECT_EQ(text, std::string(port->Text()));
        delete port;
    }
    EXPECT_TRUE(IsWindow(w.handle));
    EXPECT_EQ(text, std::string(WindowText(w.handle)));
    EXPECT_EQ(0u, WindowText(nullptr).length());
}

TEST(WindowPortTest, ControlFetchesItsHandleFromTheParentOnFirstUse) {
    Window parent(CreatePlainWindow("p"));
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, parent.handle,
                                reinterpret_cast<HMENU>(1479), nullptr, nullptr);
    WindowPort parentPort(parent.handle);
    EditPort byId(&parentPort, 1479);
    EXPECT_EQ(1479, byId.Id());
    EXPECT_EQ(edit, byId.Handle());
    ControlPort byHandle(edit);
    EXPECT_EQ(1479, byHandle.Id());
    EXPECT_EQ(parent.handle, byHandle.GetParent());
    EXPECT_FALSE(byHandle.EnableWindow(false));  // was enabled
    EXPECT_FALSE(byHandle.IsWindowEnabled());
    ButtonPort missing(&parentPort, 4711);
    EXPECT_EQ(nullptr, missing.Handle());
    EXPECT_EQ(4711, missing.Id());
}

namespace {
struct Spy : DSubclassWindow {
    Spy(HWND w, int mode, std::vector<UINT>* log) : DSubclassWindow(w, mode), log_(log) {}
    ~Spy() override { if (log_) log_->push_back(0xDEAD); }
    LRESULT HandleMessage(UINT m, WPARAM wp, LPARAM lp) override {
        if (m == WM_APP + 1) {
            log_->push_back(m);
            return 77;  // swallowed: the window's procedure never sees it
        }
        if (m == WM_APP + 2) throw KLAppException("Сбой обработчика");
        return DSubclassWindow::HandleMessage(m, wp, lp);
    }
    std::vector<UINT>* log_;
};
}  // namespace

TEST(SubclassWindowTest, SeesMessagesFirstAndGoesWithTheWindow) {
    MessageRecorder boxes;
    ClearReceived();
    HWND w = CreatePlainWindow("s");
    std::vector<UINT> log;
    new Spy(w, SubclassOwnedByWindow, &log);
    EXPECT_EQ(77, SendMessageA(w, WM_APP + 1, 0, 0));
    EXPECT_EQ(0, Received(w, WM_APP + 1));
    SendMessageA(w, WM_APP + 3, 0, 0);
    EXPECT_EQ(1, Received(w, WM_APP + 3));
    // An exception stays inside the window library and is shown.
    EXPECT_EQ(0, SendMessageA(w, WM_APP + 2, 0, 0));
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("Сбой обработчика", boxes.Boxes()[0].text);
    DestroyWindow(w);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(0xDEADu, log[1]);  // deleted itself with the window
}

TEST(SubclassWindowTest, DeletingTheObjectUnhooksIt) {
    ClearReceived();
    Window w(CreatePlainWindow("s"));
    std::vector<UINT> log;
    Spy* spy = new Spy(w.handle, 0, &log);
    delete spy;
    SendMessageA(w.handle, WM_APP + 1, 0, 0);
    EXPECT_EQ(1, Received(w.handle, WM_APP + 1));
}

TEST(ListViewTest, ColumnsItemsAndSubItems) {
    Window parent(CreatePlainWindow("l"));
    HWND view = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL,
                                0, 0, 300, 200, parent.handle, reinterpret_cast<HMENU>(1482), nullptr, nullptr);
    ASSERT_TRUE(view);
    WindowPort port(parent.handle);
    ListView list(&port, 1482);
    EXPECT_EQ(0, list.Columns.Insert("Параметр").Index());
    EXPECT_EQ(1, list.Columns.Insert("Значение", -1).Index());
    EXPECT_EQ(2, list.Columns.Count());
    EXPECT_EQ("Значение", std::string(list.Columns[1].Text()));
    EXPECT_TRUE(list.Columns[0].AutoWidth(false));
    EXPECT_GT(list.Columns[0].Width(), 0);

    for (const char* name : {"alpha", "Beta", "gamma"}) {
        ListView::Prop::Item item = list.Items.Insert();
        EXPECT_TRUE(item[0].Text(name));
        EXPECT_TRUE(item[1].Text("v"));
    }
    EXPECT_EQ(3, list.Items.Count());
    EXPECT_EQ(1, list.Items.Find("beta"));
    EXPECT_EQ(-1, list.Items.Find("delta"));
    EXPECT_EQ(-1, list.Items.Selected());
    EXPECT_TRUE(list.Items[2].Selected(true));
    EXPECT_TRUE(list.Items[2].Focused(true));
    EXPECT_EQ(2, list.Items.Selected());
    EXPECT_TRUE(list.Items[2].Focused());
    char buffer[4];
    EXPECT_EQ(3, list.Items[2][0].Text(buffer, sizeof buffer));
    EXPECT_STREQ("gam", buffer);  // cut to the buffer, terminated
    EXPECT_TRUE(list.Items.Delete());
    EXPECT_EQ(0, list.Items.Count());
}

TEST(AutoLayoutTest, StretchesAndMovesByTheRules) {
    Window w(CreatePlainWindow("a", 400, 300));
    auto child = [&](int id, int x, int y, int cx, int cy) {
        return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, x, y, cx, cy, w.handle,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    HWND list = child(10, 5, 5, 200, 100), button = child(11, 150, 110, 55, 20), fixed = child(12, 5, 110, 40, 20);
    RECT client;
    GetClientRect(w.handle, &client);
    const LayoutRule rules[] = {
        {10, LayoutStretch, EdgeRight, 0, EdgeRight, 0, 0},
        {10, LayoutStretch, EdgeBottom, 0, EdgeBottom, 0, 0},
        {11, LayoutMove, EdgeTop, 10, EdgeBottom, 0, 0},
        {11, LayoutMove, EdgeRight, 10, EdgeRight, 0, 0},
        {12, 7, EdgeRight, 0, EdgeRight, 0, 0},  // no such mode: ignored
    };
    (new AutoLayout(w.handle))->SetRules(rules, 5);
    RECT before = ChildRect(w.handle, list);
    SetWindowPos(w.handle, nullptr, 0, 0, 400 + 60, 300 + 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT after = ChildRect(w.handle, list), moved = ChildRect(w.handle, button), kept = ChildRect(w.handle, fixed);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(before.right + 60, after.right);
    EXPECT_EQ(before.bottom + 40, after.bottom);
    EXPECT_EQ(150 + 60, moved.left);
    EXPECT_EQ(150, moved.top);
    EXPECT_EQ(55, moved.right - moved.left);
    EXPECT_EQ(20, moved.bottom - moved.top);
    EXPECT_EQ(5, kept.left);
    EXPECT_EQ(45, kept.right);
    // Narrower than the template: the list keeps a zero width, not a negative one.
    SetWindowPos(w.handle, nullptr, 0, 0, 40, 300, SWP_NOMOVE | SWP_NOZORDER);
    after = ChildRect(w.handle, list);
    EXPECT_GE(after.right - after.left, 0);
}
