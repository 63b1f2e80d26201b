// Message boxes through the handler seam.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fwbase/Message.h>

#include "common/MessageRecorder.h"

namespace {

class MessageTest : public ::testing::Test {
protected:
    MessageRecorder recorder;
    const std::vector<ShownMessage>& seen = recorder.Boxes();
};

}  // namespace

TEST_F(MessageTest, ErrorBoxGetsErrorStyleAndHostCaption) {
    ErrorMessage("Ошибка установки модуля", nullptr, nullptr, 0);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(MessageKind::Error, seen[0].kind);
    EXPECT_EQ("Ошибка установки модуля", seen[0].text);
    EXPECT_EQ("support_test.exe", seen[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), seen[0].style);
}

TEST_F(MessageTest, AppMessageReturnsTheHandlersButton) {
    recorder.Answer(IDCANCEL);
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x42));
    EXPECT_EQ(IDCANCEL, AppMessage("t", 0x131, owner, "Дополнительные параметры", 0));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(0x131u, seen[0].style);
    EXPECT_EQ(owner, seen[0].owner);
    EXPECT_EQ("Дополнительные параметры", seen[0].caption);
}

TEST_F(MessageTest, KeepCaptionFlagLeavesTheCaptionEmpty) {
    AppMessage("t", MB_OK, nullptr, nullptr, KeepCaption);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("", seen[0].caption);
}

TEST_F(MessageTest, DebugMessageReachesTheHandler) {
    DebugMessage("Poll", 0, 0, nullptr);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(MessageKind::Debug, seen[0].kind);
    EXPECT_EQ("Poll", seen[0].text);
}

TEST(MessageWithoutHandler, DebugMessageNeverBlocks) {
    MessageHandler previous = SetMessageHandler(nullptr);
    DWORD start = GetTickCount();
    DebugMessage("no box", 0, 0, "caption");  // would hang here if it showed a box
    EXPECT_LT(GetTickCount() - start, 30000u);
    SetMessageHandler(previous);
}

namespace {

// The box's thread reports the activation of each dialog window through a
// hook: the box is then made, captioned and about to wait for input.
HANDLE boxShown = nullptr;
HWND shownBox = nullptr;

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    char name[16] = "";
    if (code == HCBT_ACTIVATE && GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
        lstrcmpA(name, "#32770") == 0) {
        shownBox = reinterpret_cast<HWND>(wParam);
        SetEvent(boxShown);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK PressCancelOn(HWND window, LPARAM) {
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Presses Cancel on the box once it is shown; 1 when it did. Without a
// report it cancels whatever the box's thread shows, so that the test
// fails instead of waiting for a box nobody answers.
DWORD WINAPI PressCancel(void* boxThread) {
    if (WaitForSingleObject(boxShown, 60000) == WAIT_OBJECT_0) {
        HWND box = FindWindowA("#32770", "Заголовок");
        if (box && box == shownBox) {
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            return 1;
        }
    }
    EnumThreadWindows(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(boxThread)), PressCancelOn, 0);
    return 0;
}

}  // namespace

TEST(MessageWithoutHandler, RealBoxIsShownAndAnswered) {
    boxShown = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, boxShown);
    HHOOK hook = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    HANDLE closer = CreateThread(nullptr, 0, PressCancel,
                                 reinterpret_cast<void*>(static_cast<UINT_PTR>(GetCurrentThreadId())), 0, nullptr);
    ASSERT_NE(nullptr, closer);  // nobody would answer the box
    MessageHandler previous = SetMessageHandler(nullptr);
    int pressed = AppMessage("Текст", MB_OKCANCEL, nullptr, "Заголовок", 0);
    SetMessageHandler(previous);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(closer, 90000));
    DWORD found = 0;
    GetExitCodeThread(closer, &found);
    CloseHandle(closer);
    CloseHandle(boxShown);
    EXPECT_EQ(1u, found);
    EXPECT_EQ(IDCANCEL, pressed);
}
