// The time value: conversions, arithmetic, zone shifts.
#include <gtest/gtest.h>

#include <fwwin/RealTime.h>

static SYSTEMTIME Make(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
    SYSTEMTIME st = {};
    st.wYear = y, st.wMonth = mo, st.wDay = d, st.wHour = h, st.wMinute = mi, st.wSecond = s,
    st.wMilliseconds = ms;
    return st;
}

TEST(RealTime, EmptyIsFalseAndCountIsStoredUnchanged) {
    EXPECT_FALSE(static_cast<bool>(RealTime()));
    EXPECT_EQ(0.0, RealTime().value);
    EXPECT_EQ(10.0, RealTime(10.0).value);
    EXPECT_TRUE(static_cast<bool>(RealTime(10.0)));
}

TEST(RealTime, EpochOf1970InFileTimeUnits) {
    RealTime epoch(Make(1970, 1, 1, 0, 0, 0, 0));
    EXPECT_DOUBLE_EQ(116444736000000000.0, epoch.value);
}

TEST(RealTime, SystemTimeRoundTripKeepsMilliseconds) {
    SYSTEMTIME in = Make(2013, 1, 31, 23, 59, 58, 999);
    SYSTEMTIME out = RealTime(in);
    EXPECT_EQ(2013, out.wYear);
    EXPECT_EQ(1, out.wMonth);
    EXPECT_EQ(31, out.wDay);
    EXPECT_EQ(23, out.wHour);
    EXPECT_EQ(59, out.wMinute);
    EXPECT_EQ(58, out.wSecond);
    EXPECT_EQ(999, out.wMilliseconds);
}

TEST(RealTime, ArithmeticAndDayStart) {
    RealTime t(Make(2026, 12, 7, 19, 38, 33, 120));
    RealTime day = Date(t);
    SYSTEMTIME st = day;
    EXPECT_EQ(7, st.wDay);
    EXPECT_EQ(0, st.wHour);
    EXPECT_EQ(0, st.wMinute);
    EXPECT_EQ(0, st.wMilliseconds);
    EXPECT_DOUBLE_EQ(t.value, (day + (t - day)).value);
    EXPECT_DOUBLE_EQ(RealTime::Millisecond * 1000, (RealTime(Make(2026, 1, 1, 0, 0, 1, 0)) -
                                                     RealTime(Make(2026, 1, 1, 0, 0, 0, 0))).value);
}

TEST(RealTime, LocalAndUtcAreInverseAndKeepFractions) {
    RealTime utc(Make(2026, 7, 1, 12, 0, 0, 0));
    utc = utc + RealTime(1234.0);  // a fraction of a millisecond
    RealTime local = Local(utc);
    EXPECT_DOUBLE_EQ(utc.value, UTC(local).value);
    // The test run's zone is Moscow: three hours ahead, all year.
    EXPECT_DOUBLE_EQ(3 * 3600 * RealTime::Second, local.value - utc.value);
    EXPECT_FALSE(static_cast<bool>(Local(RealTime())));
}

TEST(RealTime, NowIsTheLocalClock) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    SYSTEMTIME now = Now();
    EXPECT_EQ(before.wYear, now.wYear);
    EXPECT_LE(RealTime(before).value, RealTime(now).value);
}
