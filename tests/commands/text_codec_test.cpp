// The text codec's narrowing through the ANSI code page's table.
#include <gtest/gtest.h>

#include <string>

#include <TextCodec.h>
#include <refs.h>

using TAXDK::Standard::AnsiCopy;
using TAXDK::Standard::NarrowPieces;

// The conversion gives the system's bytes for every unit alone, and for
// texts that mix the fast cases with surrogates, paired and unpaired, at
// every alignment.
TEST(AnsiCopy, GivesTheSystemsBytesForEveryUnit) {
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
TEST(NarrowPieces, TogetherTheyAreTheWholeText) {
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
TEST(NarrowPieces, APieceEndsBeforeASurrogatePairItCannotHold) {
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
