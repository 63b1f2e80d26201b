// Number scanning and formatting.
#include <gtest/gtest.h>

#include <fwbase/Exception.h>
#include <fwbase/Format.h>

TEST(ScanNumber, KindZeroReadsPlainNumbersWithBlanksAround) {
    EXPECT_DOUBLE_EQ(42, ScanNumberEx(0, "42", 0, 0));
    EXPECT_DOUBLE_EQ(-2.5, ScanNumberEx(0, "  -2.5\t", 0, 0));
    EXPECT_DOUBLE_EQ(0.5, ScanNumberEx(0, ".5", 0, 0));
    EXPECT_DOUBLE_EQ(5, ScanNumberEx(0, "+5.", 0, 0));
    EXPECT_DOUBLE_EQ(1500, ScanNumberEx(0, "1.5e3", 0, 0));
    EXPECT_DOUBLE_EQ(4294967295.0, ScanNumberEx(0, "4294967295", 0, 0));
}

TEST(ScanNumber, KindTwoAddsDecimalCommaAndHex) {
    EXPECT_THROW(ScanNumberEx(0, "-2,9", 0, 0), NumericSyntax);
    EXPECT_DOUBLE_EQ(-2.9, ScanNumberEx(2, "-2,9", 0, 0));
    EXPECT_DOUBLE_EQ(31, ScanNumberEx(2, "0x1F", 0, 0));
    EXPECT_DOUBLE_EQ(-16, ScanNumber(2, "-0X10", 0, true));
    EXPECT_THROW(ScanNumberEx(0, "0x1F", 0, 0), NumericSyntax);
    EXPECT_THROW(ScanNumberEx(2, "0x", 0, 0), NumericSyntax);
}

TEST(ScanNumber, RejectsGarbageEmptyAndTrailingLetters) {
    const char* bad[] = {"", "   ", "abc", "12x", "1e", "-", ".", "1 2", "1,2,3", "--1", "1e999"};
    for (const char* text : bad) {
        EXPECT_THROW(ScanNumberEx(2, text, 0, 0), NumericSyntax) << '"' << text << '"';
        EXPECT_THROW(ScanNumber(0, text, 0, true), NumericSyntax) << '"' << text << '"';
    }
    EXPECT_THROW(ScanNumber(0, nullptr, 0, true), NumericSyntax);
}

TEST(ScanNumber, FailureReasonQuotesTheText) {
    try {
        ScanNumberEx(0, "12x", 0, 0);
        FAIL();
    } catch (const NumericSyntax& e) {
        EXPECT_STREQ("Ошибка формата числа: \"12x\"", e.Reason());
    }
}

TEST(ScanNumber, BlanksOnlyWhenAllowed) {
    EXPECT_DOUBLE_EQ(3, ScanNumber(0, " 3 ", 2, true));
    EXPECT_THROW(ScanNumber(0, " 3", 2, false), NumericSyntax);
    EXPECT_DOUBLE_EQ(3.25, ScanNumber(0, "3.25", 2, false));
}

TEST(ScanNumber, RangeOfTheExtendedForm) {
    EXPECT_DOUBLE_EQ(10, ScanNumberEx(0, "10", 1, 10));
    EXPECT_THROW(ScanNumberEx(0, "11", 1, 10), NumericSyntax);
}

TEST(ScanNumber, StopsAtTheTerminatorOfAnUnterminatedLookingBuffer) {
    // The number ends exactly at the end of the allocation; a read past it
    // would show under a checking allocator, and must not change the result.
    char* p = new char[3];
    memcpy(p, "-7", 3);
    EXPECT_DOUBLE_EQ(-7, ScanNumberEx(2, p, 0, 0));
    delete[] p;
}

TEST(Format, IntegersScanBackAsKindZero) {
    EXPECT_STREQ("0", Format(0, 0.0, 0).c_str());
    EXPECT_STREQ("-42", Format(0, -42, 0).c_str());
    EXPECT_STREQ("4294967295", Format(0, 4294967295.0, 0).c_str());
    EXPECT_STREQ("-2147483648", Format(0, -2147483648.0, 0).c_str());
    EXPECT_STREQ("0", Format(0, -0.0, 0).c_str());
    EXPECT_STREQ("2,50", Format(2, 2.5, 2).c_str());
    EXPECT_DOUBLE_EQ(-2147483648.0, ScanNumberEx(0, Format(0, -2147483648.0, 0), 0, 0));
}

TEST(FormatBuffer, TruncatesToTheGivenSize) {
    EXPECT_STREQ("[25 байт]\r\n", FormatBuffer(256, "[%u байт]\r\n", 25u).c_str());
    EXPECT_STREQ("abc", FormatBuffer(4, "%s", "abcdef").c_str());
}
