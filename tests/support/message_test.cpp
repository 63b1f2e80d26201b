// Message boxes through the handler seam.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fwbase/Message.h>

namespace {

struct Seen {
    MessageKind kind;
    std::string text, caption;
    UINT style;
    HWND owner;
};
std::vector<Seen> seen;
int answer = IDOK;

int __stdcall Record(const MessageRequest& r) {
    seen.push_back({r.kind, r.text, r.caption, r.style, r.owner});
    return answer;
}

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen.clear();
        answer = IDOK;
        previous_ = SetMessageHandler(Record);
    }
    void TearDown() override { SetMessageHandler(previous_); }
    MessageHandler previous_ = nullptr;
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
    answer = IDCANCEL;
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
    EXPECT_LT(GetTickCount() - start, 5000u);
    SetMessageHandler(previous);
}

// Presses Cancel on the box once it appears; 1 when it did.
static DWORD WINAPI PressCancel(void*) {
    for (int i = 0; i < 200; ++i) {
        if (HWND box = FindWindowA("#32770", "Заголовок")) {
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            return 1;
        }
        Sleep(50);
    }
    return 0;
}

TEST(MessageWithoutHandler, RealBoxIsShownAndAnswered) {
    MessageHandler previous = SetMessageHandler(nullptr);
    HANDLE closer = CreateThread(nullptr, 0, PressCancel, nullptr, 0, nullptr);
    int pressed = AppMessage("Текст", MB_OKCANCEL, nullptr, "Заголовок", 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(closer, 15000));
    DWORD found = 0;
    GetExitCodeThread(closer, &found);
    CloseHandle(closer);
    EXPECT_EQ(1u, found);
    EXPECT_EQ(IDCANCEL, pressed);
    SetMessageHandler(previous);
}
