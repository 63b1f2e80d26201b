#include <gtest/gtest.h>

#include <HostSession.h>
#include <TASession.h>
#include <exceptions.h>

using TAXDK::Tallivant::TASession;
using TAXDK::Tallivant::millisecondSpan;
using TAXDK::Tallivant::sessionEpoch;

namespace {
struct Values : ::testing::Test {
    co<HostSession> host{new HostSession};
    TASession session{host.get()};
};
}  // namespace

TEST(SessionConstants, EpochAndSpan) {
    EXPECT_EQ(10000.0, millisecondSpan);
    EXPECT_EQ(116444736000000000.0, sessionEpoch.value);  // 1970-01-01 as FILETIME
}

TEST_F(Values, EmptyValueReadsAsNothing) {
    host->Set(L"Empty", L"");
    EXPECT_STREQ("", session.GetString("Empty").c_str());
    EXPECT_STREQ("", session.GetString("NeverSet").c_str());
    EXPECT_EQ(0, session.GetInt("Empty"));
    EXPECT_EQ(0.0, session.GetReal("Empty"));
    EXPECT_FALSE(static_cast<bool>(session.GetTime("Empty")));
}

TEST_F(Values, NumbersTryKindZeroThenTwo) {
    host->Set(L"Count", L"-2,9");
    EXPECT_EQ(-2, session.GetInt("Count"));
    EXPECT_DOUBLE_EQ(-2.9, session.GetReal("Count"));
    host->Set(L"Count", L"0x10");
    EXPECT_EQ(16, session.GetInt("count"));  // names ignore case in this host
    host->Set(L"Count", L"4294967295");
    EXPECT_EQ(-1, session.GetInt("Count"));  // the same 32 bits
    host->Set(L"Count", L"abc");
    try {
        session.GetInt("Count");
        FAIL() << "no exception";
    } catch (const KLAppException& e) {
        EXPECT_STREQ("Неверный формат числа: Count=abc", e.Reason());
    }
    EXPECT_THROW(session.GetReal("Count"), KLAppException);
}

TEST_F(Values, TypedWritesGiveTheirTexts) {
    session.SetInt("A", -42);
    EXPECT_STREQ(L"-42", host->Value(L"A"));
    session.SetUnsigned("A", 4294967295u);
    EXPECT_STREQ(L"4294967295", host->Value(L"A"));
    session.SetUInt64("A", 18446744073709551615ull);
    EXPECT_STREQ(L"18446744073709551615", host->Value(L"A"));
    session.SetBool("A", true);
    EXPECT_STREQ(L"1", host->Value(L"A"));
    session.SetBool("A", false);
    EXPECT_TRUE(host->Has(L"A"));
    EXPECT_STREQ(L"", host->Value(L"A"));
    session.SetString("Русский", "Текст");
    EXPECT_STREQ(L"Текст", host->Value(L"Русский"));
    EXPECT_STREQ("Текст", session.GetString("Русский").c_str());
}

TEST_F(Values, ClearKeepsTheValueRemoveTakesItOut) {
    session.SetString("A", "x");
    session.Clear("A");
    EXPECT_TRUE(host->Has(L"A"));
    EXPECT_STREQ(L"", host->Value(L"A"));
    session.Remove("A");
    EXPECT_FALSE(host->Has(L"A"));
}

TEST_F(Values, TimesAreMillisecondsSince1970Utc) {
    // Blanks only read as the count 0, like a zero among blanks.
    for (const wchar_t* zero : {L"  0 ", L"   "}) {
        host->Set(L"T", zero);
        EXPECT_EQ(Local(sessionEpoch).value, session.GetTime("T").value) << static_cast<const void*>(zero);
    }
    for (const wchar_t* bad : {L"12x", L"-", L" x "}) {
        host->Set(L"T", bad);
        EXPECT_FALSE(static_cast<bool>(session.GetTime("T"))) << static_cast<const void*>(bad);
    }

    RealTime now = Now();  // whole milliseconds
    session.SetTime("T", now);
    EXPECT_EQ(now.value, session.GetTime("T").value);
    RealTime utc = UTC(now);
    EXPECT_EQ(std::to_wstring(static_cast<unsigned long long>((utc.value - sessionEpoch.value) / 10000)),
              host->Value(L"T"));

    session.SetTime("T", RealTime(now.value + 5555));  // a fraction of a millisecond is dropped
    EXPECT_EQ(now.value, session.GetTime("T").value);
    session.SetTime("T", RealTime());
    EXPECT_TRUE(host->Has(L"T"));
    EXPECT_STREQ(L"", host->Value(L"T"));
}

// Characters the ANSI code page lacks pass both ways unchanged. (Outside
// the checks, whose texts are narrow: the code page cannot hold them.)
TEST_F(Values, WideTextsPassWithoutConversion) {
    const wchar_t greek[] = L"Ωμέγα ё \U0001F600", japanese[] = L"日本";
    host->Set(L"W", greek);
    EXPECT_STREQ(greek, session.GetWideString("W").c_str());
    EXPECT_STREQ("????? ё ??", session.GetString("W").c_str());
    EXPECT_STREQ(L"", session.GetWideString("NeverSet").c_str());
    BSTR text = SysAllocString(japanese);
    session.SetWideString("Русское имя", text);
    SysFreeString(text);
    EXPECT_STREQ(japanese, host->Value(L"Русское имя"));
    session.SetWideString("Русское имя", nullptr);
    EXPECT_TRUE(host->Has(L"Русское имя"));
    EXPECT_STREQ(L"", host->Value(L"Русское имя"));
    TASession none(nullptr);
    none.SetWideString("A", nullptr);
    EXPECT_STREQ(L"", none.GetWideString("A").c_str());
}

TEST(SessionWrapper, RefusedObjectThrowsNullObjectIsInert) {
    co<ITypeInfo> notASession;
    ASSERT_EQ(S_OK, GetTallivanxTypeInfo(__uuidof(ITallivantPlugin), notASession.Out()));
    try {
        TASession session(notASession.get());
        FAIL() << "no exception";
    } catch (const CoError& e) {
        EXPECT_EQ(E_NOINTERFACE, e.Code());
        EXPECT_NE(nullptr, strstr(e.Reason(), "\"Borvil/Include/co\":114"));
    }
    TASession none(nullptr);
    none.SetString("A", "x");
    EXPECT_STREQ("", none.GetString("A").c_str());
}
