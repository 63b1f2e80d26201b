// The control page base: host operations, message defaults and the field
// checks with their exact texts.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <ControlPluginPage.h>

#include "Page/PageTestSupport.h"

using namespace pagetest;
using TAXDK::Standard::ControlPluginPage;

namespace {

const char* const Advice =
    " (во избежание двусмысленности дальнейшего использования данного значения рекомендуется не "
    "вставлять пробелы в начале и в конце).";
const char* const Tail = "\r\n\"Отмена\" - исправить значение.";

class ControlPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearReceived();
        sheet = CreatePlainWindow("sheet");
        pageWindow = CreatePlainWindow("page", 300, 200, sheet);
        field = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, pageWindow,
                                reinterpret_cast<HMENU>(100), nullptr, nullptr);
        repeat = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 30, 100, 20, pageWindow,
                                 reinterpret_cast<HMENU>(101), nullptr, nullptr);
        page = new ControlPluginPage(nullptr, "Страница");
        EXPECT_EQ(1, page->Init(reinterpret_cast<LONG_PTR>(pageWindow)));
    }
    void TearDown() override {
        page->Release();
        DestroyWindow(sheet);
    }
    void Type(HWND control, const char* text) { SetWindowTextA(control, text); }
    // The focus request posted to the page window, delivered.
    int FocusRequests() {
        Pump();
        return Received(pageWindow, WM_NEXTDLGCTL);
    }

    MessageRecorder boxes;
    HWND sheet, pageWindow, field, repeat;
    ControlPluginPage* page;
};

}  // namespace

TEST_F(ControlPageTest, HostOperationsGiveTheirDefaults) {
    EXPECT_EQ(pageWindow, page->PageWindow());
    EXPECT_EQ(0, page->Activate());
    EXPECT_EQ(0, page->Command(0, 501, 0));
    EXPECT_EQ(0, page->Help(0));
    LONG applied = 12345;
    EXPECT_EQ(1, page->Apply(0, 0, &applied));
    EXPECT_EQ(12345, applied);
    EXPECT_EQ(1, page->Apply(0, 0, nullptr));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ControlPageTest, MessageFillsOwnerAndCaptionUnlessFlagsKeepThem) {
    boxes.Answer(IDNO);
    EXPECT_EQ(IDNO, page->Message("Текст", MB_YESNO, nullptr, nullptr, 0));
    page->ShowError("Ошибка", nullptr, nullptr, 0);
    page->Message("Текст", MB_OK, nullptr, nullptr, KeepOwner | KeepCaption);
    HWND other = sheet;
    page->ShowError("Ошибка", other, "Своя", 0);
    const auto& b = boxes.Boxes();
    ASSERT_EQ(4u, b.size());
    EXPECT_EQ(pageWindow, b[0].owner);
    EXPECT_EQ("Страница", b[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), b[0].style);
    EXPECT_EQ(MessageKind::Error, b[1].kind);
    EXPECT_EQ(pageWindow, b[1].owner);
    EXPECT_EQ("Страница", b[1].caption);
    EXPECT_EQ(nullptr, b[2].owner);
    EXPECT_EQ("", b[2].caption);
    EXPECT_EQ(sheet, b[3].owner);
    EXPECT_EQ("Своя", b[3].caption);
}

TEST_F(ControlPageTest, CheckEmptyWarnsWithOrWithoutHint) {
    EXPECT_TRUE(page->CheckEmpty(field, "Имя", ""));  // OK accepts the empty value
    boxes.Answer(IDCANCEL);
    EXPECT_FALSE(page->CheckEmpty(field, "Имя", "обязательно"));
    Type(field, "x");
    EXPECT_TRUE(page->CheckEmpty(field, "Имя", ""));
    const auto& b = boxes.Boxes();
    ASSERT_EQ(2u, b.size());
    EXPECT_EQ(std::string("Поле \"Имя\": пустое/незаданное значение.") + Tail, b[0].text);
    EXPECT_EQ(std::string("Поле \"Имя\": пустое/незаданное значение (обязательно).") + Tail, b[1].text);
    EXPECT_EQ(0x131u, b[0].style);
    EXPECT_EQ(MessageKind::App, b[0].kind);
}

TEST_F(ControlPageTest, CancelSelectsThePageAndFocusesTheField) {
    AnswerWith(PSM_HWNDTOINDEX, 3);
    boxes.Answer(IDOK);
    EXPECT_TRUE(page->CheckEmpty(field, "Имя", ""));
    EXPECT_EQ(0, FocusRequests());  // OK: focus stays where it is
    EXPECT_EQ(0, Received(sheet, PSM_SETCURSEL));
    boxes.Answer(IDCANCEL);
    EXPECT_FALSE(page->CheckEmpty(field, "Имя", ""));
    WPARAM target = 0, index = 0;
    EXPECT_EQ(1, Received(sheet, PSM_HWNDTOINDEX, &target));
    EXPECT_EQ(reinterpret_cast<WPARAM>(pageWindow), target);
    EXPECT_EQ(1, FocusRequests());
    EXPECT_EQ(1, Received(sheet, PSM_SETCURSEL, &index));
    EXPECT_EQ(3u, index);
    Received(pageWindow, WM_NEXTDLGCTL, &target);
    EXPECT_EQ(reinterpret_cast<WPARAM>(field), target);
}

TEST_F(ControlPageTest, ActivateControlWithoutParentOnlyMovesTheFocus) {
    HWND lone = CreatePlainWindow("lone");
    ControlPluginPage* p = new ControlPluginPage(nullptr, "x");
    p->Init(reinterpret_cast<LONG_PTR>(lone));
    p->ActivateControl(field);
    Pump();
    EXPECT_EQ(1, Received(lone, WM_NEXTDLGCTL));
    p->Release();
    DestroyWindow(lone);
}

TEST_F(ControlPageTest, CheckSpacesReportsOnePlace) {
    Type(field, "");
    EXPECT_TRUE(page->CheckSpaces(field, "Имя", ""));
    Type(field, "\tтаб\t");
    EXPECT_TRUE(page->CheckSpaces(field, "Имя", ""));  // only blanks count
    EXPECT_TRUE(boxes.Boxes().empty());
    Type(field, " оба ");
    EXPECT_TRUE(page->CheckSpaces(field, "Имя", ""));
    Type(field, "конец ");
    boxes.Answer(IDCANCEL);
    EXPECT_FALSE(page->CheckSpaces(field, "Имя", "подсказка"));
    const auto& b = boxes.Boxes();
    ASSERT_EQ(2u, b.size());
    EXPECT_EQ(std::string("Поле \"Имя\": пробелы в начале текста") + Advice + Tail, b[0].text);
    EXPECT_EQ(std::string("Поле \"Имя\": пробелы в конце текста (подсказка).") + Tail, b[1].text);
}

TEST_F(ControlPageTest, CheckPasswordNamesThePasswordField) {
    Type(field, "secret");
    Type(repeat, "Secret");
    EXPECT_FALSE(page->CheckPassword(field, repeat, "", ""));
    Type(repeat, "secret");
    EXPECT_TRUE(page->CheckPassword(field, repeat, nullptr, ""));
    Type(field, "");
    Type(repeat, "");
    EXPECT_TRUE(page->CheckPassword(field, repeat, "", ""));
    Type(field, " pw");
    Type(repeat, " pw");
    boxes.Answer(IDCANCEL);
    EXPECT_FALSE(page->CheckPassword(field, repeat, "", ""));
    const auto& b = boxes.Boxes();
    ASSERT_EQ(3u, b.size());
    EXPECT_EQ(MessageKind::Error, b[0].kind);
    EXPECT_EQ("Поле \"Пароль\": повторный ввод не соответствует паролю, введите пароль ещё раз.", b[0].text);
    EXPECT_EQ(std::string("Поле \"Пароль\": пустое/незаданное значение.") + Tail, b[1].text);
    EXPECT_EQ(std::string("Поле \"Пароль\": пробелы в начале текста") + Advice + Tail, b[2].text);
    WPARAM target = 0;
    Pump();
    Received(pageWindow, WM_NEXTDLGCTL, &target);
    EXPECT_EQ(reinterpret_cast<WPARAM>(field), target);  // the first control, not the repeat
}

TEST_F(ControlPageTest, CheckIntegerReadsNumbersAndReportsGarbage) {
    int value = -77;
    Type(field, "-12,9");
    EXPECT_TRUE(page->CheckInteger(field, "Число", &value));
    EXPECT_EQ(-12, value);
    Type(field, "0x10");
    EXPECT_TRUE(page->CheckInteger(field, "Число", &value));
    EXPECT_EQ(16, value);
    Type(field, "4294967297");
    EXPECT_TRUE(page->CheckInteger(field, "Число", &value));
    EXPECT_EQ(1, value);  // low 32 bits
    Type(field, "1e300");
    EXPECT_TRUE(page->CheckInteger(field, "Число", nullptr));
    EXPECT_TRUE(boxes.Boxes().empty());
    value = -77;
    Type(field, "12abc");
    EXPECT_FALSE(page->CheckInteger(field, "Число", &value));
    EXPECT_EQ(-77, value);
    EXPECT_FALSE(page->CheckInteger(field, "Число", nullptr));
    const auto& b = boxes.Boxes();
    ASSERT_EQ(2u, b.size());
    EXPECT_EQ(MessageKind::Error, b[0].kind);
    EXPECT_EQ("Поле \"Число\": ошибка формата целого числа (\"12abc\")", b[0].text);
    EXPECT_EQ(pageWindow, b[0].owner);
    EXPECT_EQ("Страница", b[0].caption);
}
