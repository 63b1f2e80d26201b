// The text codec's tables: narrowing into the ANSI code page, widening
// from the ANSI and OEM code pages.
#include <gtest/gtest.h>

#include <string>

#include <CodePageTable.h>
#include <ShownText.h>
#include <TextCodec.h>
#include <refs.h>

using TAXDK::Standard::AnsiCopy;
using TAXDK::Standard::CodePageTable;
using TAXDK::Standard::CodePageText;
using TAXDK::Standard::ForceScalarText;
using TAXDK::Standard::NarrowPieces;
using TAXDK::Standard::ShownText;

// Every case runs twice: through the SSE2 forms that this processor takes,
// and through the scalar forms that one without SSE2 takes.
struct TextPaths : ::testing::TestWithParam<bool> {
    void SetUp() override { ForceScalarText(GetParam()); }
    void TearDown() override { ForceScalarText(false); }
};
INSTANTIATE_TEST_SUITE_P(Forms, TextPaths, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Scalar" : "Sse2"; });

// The conversion gives the system's bytes for every unit alone, and for
// texts that mix the fast cases with surrogates, paired and unpaired, at
// every alignment.
TEST_P(TextPaths, AnsiCopyGivesTheSystemsBytesForEveryUnit) {
    auto system = [](const wchar_t* text, int length) {
        std::string bytes(static_cast<size_t>(length) * 2 + 1, '\0');
        int n = WideCharToMultiByte(CP_ACP, 0, text, length, &bytes[0], static_cast<int>(bytes.size()), nullptr,
                                    nullptr);
        bytes.resize(n > 0 ? n : 0);
        return bytes;
    };
    int wrong = 0;
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        wchar_t unit[2] = {static_cast<wchar_t>(u), 0};
        aptr<char> ours(AnsiCopy(unit));
        if (std::string(ours.get()) != system(unit, 1) && wrong++ < 5) ADD_FAILURE() << "unit " << std::hex << u;
    }
    EXPECT_EQ(0, wrong);
    const std::wstring mixed = L"abcdefgh\x0416\x0436xyz\xD83D\xDE00tail\xD800\xDC00\xDC00\xD800 end\x20AC\xFFFF"
                               L"\xD83D" L"ABCDEFGHIJKL\xDE00" L"0123456789abcdefghijklmnopqrstuvwxyz0123456789\x00FF"
                               L"0123456789abcdefghijklmnopqrstu\x0080vwxyz0123456789";
    const std::wstring text = mixed + mixed;
    for (size_t start = 0; start < 16; ++start) {
        aptr<char> ours(AnsiCopy(text.c_str() + start));
        EXPECT_EQ(system(text.c_str() + start, static_cast<int>(text.size() - start)), std::string(ours.get()))
            << start;
    }
}

// Pieces give together what the system gives for the whole text, also
// with a surrogate pair where a piece would end.
TEST_P(TextPaths, NarrowPiecesTogetherAreTheWholeText) {
    for (size_t before : {size_t(0x3FFF), size_t(0x4000), size_t(0x7FFF), size_t(0x10000)}) {
        std::wstring text(before, L'\x0436');
        text += L"\xD83D\xDE00" + std::wstring(70000, L'a') + L"\xDC00";
        std::string expected(text.size() * 2, '\0');
        expected.resize(WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &expected[0],
                                            static_cast<int>(expected.size()), nullptr, nullptr));
        NarrowPieces pieces(text.c_str());
        std::string joined;
        const char* bytes = nullptr;
        size_t count = 0;
        int n = 0;
        while (pieces.Next(bytes, count) && n++ < 100) joined.append(bytes, count);
        EXPECT_TRUE(expected == joined) << before;
    }
    NarrowPieces none(nullptr);
    const char* bytes = "sentinel";
    size_t count = 7;
    EXPECT_FALSE(none.Next(bytes, count));
}

// A piece (at most 0x4000 units) that cannot hold a whole surrogate pair
// ends before it: where it ends is checked, since the system may give the
// same bytes for a split pair. Each unit before the pair is one byte.
TEST_P(TextPaths, NarrowPiecesEndBeforeASurrogatePairTheyCannotHold) {
    std::string pair(8, '\0');
    pair.resize(WideCharToMultiByte(CP_ACP, 0, L"\xD83D\xDE00", 2, &pair[0], 8, nullptr, nullptr));
    // The high half alone at the piece's last unit, or after an unpaired low half.
    for (const std::wstring& before : {std::wstring(0x3FFF, L'\x0436'), std::wstring(0x3FFE, L'\x0436') + L"\xDC00"}) {
        std::wstring text = before + L"\xD83D\xDE00" L"tail";
        NarrowPieces pieces(text.c_str());
        const char* bytes = nullptr;
        size_t count = 0;
        ASSERT_TRUE(pieces.Next(bytes, count));
        EXPECT_EQ(0x3FFFu, count) << before.size();
        ASSERT_TRUE(pieces.Next(bytes, count));
        EXPECT_EQ(pair + "tail", std::string(bytes, count)) << before.size();
        EXPECT_FALSE(pieces.Next(bytes, count));
    }
}

// The ANSI and OEM code pages widen through their tables: every byte, zero
// included, as the system gives it, also where blocks of bytes below 0x80
// meet others.
TEST_P(TextPaths, CodePageTablesGiveTheSystemsUnitForEveryByte) {
    ASSERT_NE(nullptr, CodePageTable::For(CP_ACP));
    EXPECT_EQ(CodePageTable::For(CP_ACP), CodePageTable::For(1251));
    ASSERT_NE(nullptr, CodePageTable::For(CP_OEMCP));
    EXPECT_EQ(CodePageTable::For(CP_OEMCP), CodePageTable::For(866));
    EXPECT_EQ(nullptr, CodePageTable::For(CP_UTF8));
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += std::string(37, 'a') + "\xE6\x80" + std::string(20, 'b') + '\0' + "cd";
    for (UINT page : {CP_ACP, CP_OEMCP}) {
        std::wstring expected(bytes.size(), L'?');
        EXPECT_EQ(static_cast<int>(bytes.size()), MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                                      &expected[0], static_cast<int>(expected.size())));
        CoString text;
        CodePageText(page, bytes.data(), bytes.size(), text);
        EXPECT_EQ(expected, std::wstring(text.get(), SysStringLen(text))) << page;
    }
}

// A value in a failure text: control characters become "?", everything else
// (Cyrillic, a character the page lacks) as the narrowing gives it.
TEST(ShownTextTest, ControlCharactersBecomeQuestionMarks) {
    EXPECT_STREQ("a??b?c?d", ShownText("a\r\nb\tc\x7f" "d").c_str());
    EXPECT_STREQ("\xcf\xf0\xe8 ?", ShownText("\xcf\xf0\xe8 \x1b").c_str());
    EXPECT_STREQ("plain", ShownText("plain").c_str());
    EXPECT_STREQ("", ShownText(static_cast<const char*>(nullptr)).c_str());
    EXPECT_STREQ("\xcf\xf0\xe8??\xe2\xe5\xf2 ?", ShownText(L"При\r\nвет \x2603").c_str());
    EXPECT_STREQ("", ShownText(static_cast<const wchar_t*>(nullptr)).c_str());
}
