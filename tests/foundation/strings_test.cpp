// Shared texts and key texts.
#include <gtest/gtest.h>

#include <str.h>

TEST(String, DefaultHasNoBufferAndEmptyLiteralHasOne) {
    string none;
    string blank("");
    string fromNull(static_cast<const char*>(nullptr));
    EXPECT_EQ(nullptr, none.c_str());
    ASSERT_NE(nullptr, blank.c_str());
    EXPECT_STREQ("", blank.c_str());
    ASSERT_NE(nullptr, fromNull.c_str());
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(blank.empty());
    EXPECT_FALSE(NotEmpty(none.c_str()));
    EXPECT_FALSE(NotEmpty(blank.c_str()));
    EXPECT_TRUE(keystring() == keystring(""));
    EXPECT_EQ(0u, Length(static_cast<const char*>(nullptr)));
    EXPECT_EQ(0u, Length(static_cast<const wchar_t*>(nullptr)));
}

TEST(String, CopiesShareOneBufferAndChangesBuildANewOne) {
    string a("abc");
    string b = a;
    EXPECT_TRUE(a.SameBuffer(b));
    EXPECT_EQ(2, a.RefCount());
    b += "d";
    EXPECT_STREQ("abc", a.c_str());
    EXPECT_STREQ("abcd", b.c_str());
    EXPECT_FALSE(a.SameBuffer(b));
    EXPECT_EQ(1, a.RefCount());
}

TEST(String, AppendingNullSharesTheLeftBuffer) {
    string a("x");
    string b = a + static_cast<const char*>(nullptr);
    EXPECT_TRUE(a.SameBuffer(b));
    string none;
    EXPECT_STREQ("y", (none + "y").c_str());
}

TEST(String, SelfAssignmentKeepsTheText) {
    string a("keep");
    const string& alias = a;
    a = alias;
    EXPECT_STREQ("keep", a.c_str());
    EXPECT_EQ(1, a.RefCount());
}

TEST(String, PrefixConstructorCopiesNCharacters) {
    EXPECT_STREQ("ab", string("abcdef", 2).c_str());
    EXPECT_STREQ("", string(static_cast<const char*>(nullptr), 5).c_str());
    EXPECT_STREQ("cdef", string("abcdef").from(2));
}

TEST(String, LongTextSurvivesWhole) {
    const size_t n = 70 * 1024;
    char* big = new char[n + 1];
    for (size_t i = 0; i < n; ++i) big[i] = static_cast<char>('a' + i % 26);
    big[n] = 0;
    string s(big);
    string t = s + big;
    EXPECT_EQ(n, s.length());
    EXPECT_EQ(2 * n, t.length());
    EXPECT_EQ(0, memcmp(t.from(n), big, n));
    delete[] big;
}

TEST(String, ReadsTheWholeTextOfAWindow) {
    HWND w = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, w) << GetLastError();
    std::string text(300, 'w');
    SetWindowTextA(w, text.c_str());
    string got(w);
    EXPECT_EQ(300u, got.length());
    EXPECT_EQ(text, got.c_str());
    DestroyWindow(w);
}

TEST(String, ExactComparisonIsCaseSensitive) {
    EXPECT_TRUE(string("Abc") == "Abc");
    EXPECT_TRUE(string("Abc") != "abc");
    EXPECT_TRUE(string() == "");
}

TEST(KeyString, EqualityIgnoresCaseIncludingCyrillic) {
    EXPECT_TRUE(keystring("aRvik.SetProp") == "ARVIK.SETPROP");
    EXPECT_TRUE(keystring("Параметр") == keystring("пАРАМЕТР"));
    EXPECT_FALSE(keystring("aRvik.SetProp ") == "aRvik.SetProp");
    EXPECT_FALSE(keystring("") == "a");
    EXPECT_FALSE(keystring("a") == keystring());
    EXPECT_TRUE(keystring() == static_cast<const char*>(nullptr));
}

// Equality of printable ASCII is decided without the system: it must agree
// with the system's rule for every pair of characters and for texts that
// differ in length, punctuation or a character outside that range.
TEST(KeyString, EqualityOfPrintableAsciiAgreesWithTheSystem) {
    int disagreements = 0;
    for (int a = 0x20; a <= 0x7E; ++a)
        for (int b = 0x20; b <= 0x7E; ++b) {
            char x[3] = {'k', static_cast<char>(a), 0}, y[3] = {'K', static_cast<char>(b), 0};
            if (keystring::Equal(x, y) != (lstrcmpiA(x, y) == 0) && disagreements++ < 5)
                ADD_FAILURE() << a << " " << b;
        }
    EXPECT_EQ(0, disagreements);
    const char* pairs[][2] = {{"co-op", "coop"}, {"it's", "its"}, {"aRvik.LogWrite", "ARVIK.LOGWRITE"},
                              {"aRvik.LogWrite", "aRvik.LogWrite "}, {"a\x01b", "ab"}, {"Ёлка", "ёЛКА"},
                              {"a\xFF", "A\xDF"}, {"x", ""}};
    for (const auto& p : pairs) {
        EXPECT_EQ(lstrcmpiA(p[0], p[1]) == 0, keystring::Equal(p[0], p[1])) << p[0] << " / " << p[1];
        EXPECT_EQ(lstrcmpiA(p[1], p[0]) == 0, keystring::Equal(p[1], p[0])) << p[1] << " / " << p[0];
    }
}

TEST(KeyString, OrderPutsEmptyFirst) {
    keystring empty, a("alpha"), B("Beta");
    EXPECT_FALSE(empty > a);
    EXPECT_TRUE(a > empty);
    EXPECT_FALSE(empty > keystring(""));
    EXPECT_TRUE(B > a);
    EXPECT_FALSE(a > B);
    const keystring* pa = &a;
    const keystring* pb = &B;
    const keystring* pe = &empty;
    EXPECT_EQ(-1, keystring::Compare(&pa, &pb));
    EXPECT_EQ(1, keystring::Compare(&pb, &pa));
    EXPECT_EQ(0, keystring::Compare(&pa, &pa));
    EXPECT_EQ(-1, keystring::Compare(&pe, &pa));
}

TEST(WideString, ComparesWithoutCaseAndCountsNullAsEmpty) {
    EXPECT_TRUE(widestring(L"Poll") == L"POLL");
    EXPECT_FALSE(widestring(L"Poll") == L"Pol");
    EXPECT_FALSE(NotEmpty(static_cast<const wchar_t*>(nullptr)));
    EXPECT_TRUE(NotEmpty(L"x"));
    EXPECT_EQ(3u, widestring(L"abc").length());
}

static DWORD WINAPI CopyMany(void* p) {
    const string& s = *static_cast<const string*>(p);
    for (int i = 0; i < 20000; ++i) {
        string copy = s;
        string again = copy;
    }
    return 0;
}

TEST(Strings, CopiesAcrossThreadsKeepCountsExact) {
    string shared("shared");
    const int kThreads = 4;
    HANDLE threads[kThreads];
    for (auto& t : threads) t = CreateThread(nullptr, 0, CopyMany, &shared, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(kThreads, threads, TRUE, 60000));
    for (auto t : threads) CloseHandle(t);
    EXPECT_EQ(1, shared.RefCount());
}
