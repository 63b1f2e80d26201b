// COM result checks and wide strings.
#include <gtest/gtest.h>

#include <fwbase/Co.h>
#include <fwbase/Exception.h>
#include <refs.h>

#include <string>

TEST(CoCallEx, SuccessCodesReturn) {
    EXPECT_NO_THROW(CoCallEx(S_OK, nullptr, "Borvil/Include/co", 114));
    EXPECT_NO_THROW(CoCallEx(S_FALSE, nullptr, "Borvil/Include/co", 114));
}

TEST(CoCallEx, FailureThrowsCoErrorNamingModuleFileAndLine) {
    try {
        CoCallEx(E_NOINTERFACE, nullptr, "Borvil/Include/co", 114);
        FAIL() << "no exception";
    } catch (const CoError& e) {
        EXPECT_EQ(E_NOINTERFACE, e.Code());
        EXPECT_STREQ("COM call error -2147467262 (80004002) at \"Borvil/Include/co\":114 in \"support_test.exe\"",
                     e.Reason());
    }
}

TEST(CoString, NarrowTextBecomesWideInCodePage1251) {
    ASSERT_EQ(1251u, GetACP());
    CoString s("Поле");
    ASSERT_NE(nullptr, s.get());
    EXPECT_EQ(4u, SysStringLen(s));
    EXPECT_STREQ(L"\x041f\x043e\x043b\x0435", s.get());
    CoString empty("");
    ASSERT_NE(nullptr, empty.get());
    EXPECT_EQ(0u, SysStringLen(empty));
    EXPECT_EQ(nullptr, CoString(static_cast<const char*>(nullptr)).get());
}

TEST(CoString, OutParameterReceivesAndFrees) {
    CoString s(L"old");
    BSTR* slot = s.Out();
    EXPECT_EQ(nullptr, *slot);
    *slot = SysAllocString(L"new");
    EXPECT_STREQ(L"new", s.get());
}

TEST(NewStr, WideToNarrowRoundTrip) {
    char* narrow = newstr(L"aRvik.Команда");
    ASSERT_NE(nullptr, narrow);
    EXPECT_STREQ("aRvik.Команда", narrow);
    delete[] narrow;
    EXPECT_EQ(nullptr, newstr(static_cast<const wchar_t*>(nullptr)));
    char* copy = newstr("x");
    EXPECT_STREQ("x", copy);
    delete[] copy;
}

// Characters the code page lacks become "?" one for one; long texts and
// the empty text come through whole.
TEST(NewStr, UnmappableCharactersAndLongTexts) {
    aptr<char> mixed(newstr(L"a\x4E2D\x6587\x0416" L"b"));
    EXPECT_STREQ("a??Жb", mixed.get());
    std::wstring wide(300000, L'\x0436');
    aptr<char> narrow(newstr(wide.c_str()));
    EXPECT_EQ(std::string(300000, '\xE6'), std::string(narrow.get()));
    aptr<char> empty(newstr(L""));
    EXPECT_STREQ("", empty.get());
}
