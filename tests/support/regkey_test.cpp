// Registry keys and values, on a test key made anew for each test.
#include <gtest/gtest.h>

#include <string>

#include <fwwin/RegKey.h>

#include "common/SavedKey.h"

namespace {

const char kTestKey[] = "Software\\Kelmir\\ArvikTests\\RegKey";

class RegKeyTest : public ::testing::Test {
protected:
    // Gone afterwards, with the empty keys above it that were not there.
    SavedKey saved{HKEY_CURRENT_USER, kTestKey};
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

    static DWORD TypeOf(const char* name) {
        DWORD type = 0xDEADBEEF;
        LONG r = RegGetValueA(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                              nullptr, nullptr);
        return r == ERROR_SUCCESS ? type : 0xDEADBEEF;
    }
};

}  // namespace

TEST_F(RegKeyTest, ReaderOfMissingKeyHasNullHandleAndReadsDefaults) {
    RegKey key(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    EXPECT_EQ(nullptr, key.key);
    EXPECT_STREQ("", static_cast<string>(key["x"]).c_str());
    EXPECT_EQ(0, static_cast<int>(key["x"]));
    EXPECT_FALSE(key["x"].Valid());
    // Nothing was created by the reader.
    HKEY h;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &h));
}

TEST_F(RegKeyTest, WriterCreatesTheKeyAndStoresTypedValues) {
    {
        RegKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
        ASSERT_NE(nullptr, key.key);
        key["Text"] = "Журнал";
        key["Number"] = static_cast<DWORD>(4294967295u);
        key[""] = "default";
    }
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), TypeOf("Text"));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), TypeOf("Number"));
    RegKey key(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    EXPECT_STREQ("Журнал", static_cast<string>(key["Text"]).c_str());
    EXPECT_EQ(4294967295u, key["Number"].Number());
    EXPECT_EQ(-1, static_cast<int>(key["Number"]));
    EXPECT_STREQ("4294967295", key["Number"].Text().c_str());
    EXPECT_STREQ("default", key[""].Text().c_str());
    EXPECT_TRUE(key["Text"].Valid());
}

TEST_F(RegKeyTest, DeleteRemovesAValueAndToleratesAMissingOne) {
    RegKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    key["v"] = 1;
    EXPECT_TRUE(key["v"].Delete());
    EXPECT_FALSE(key["v"].Valid());
    EXPECT_TRUE(key["v"].Delete());
}

TEST_F(RegKeyTest, OtherTypesReadAsEmptyAndZero) {
    RegKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    const BYTE bytes[] = {1, 2, 3, 4};
    RegSetValueExA(key.key, "bin", 0, REG_BINARY, bytes, sizeof bytes);
    EXPECT_TRUE(key["bin"].Valid());
    EXPECT_STREQ("", key["bin"].Text().c_str());
    EXPECT_EQ(0u, key["bin"].Number());
}

TEST_F(RegKeyTest, BorrowedKeyStaysOpenForItsOwner) {
    RegKey owner(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    owner["Max"] = 10;
    {
        RegKey borrowed(owner.key);
        EXPECT_EQ(10, static_cast<int>(borrowed["Max"]));
    }
    EXPECT_EQ(10, static_cast<int>(owner["Max"]));
    owner["After"] = "still open";
    EXPECT_TRUE(owner["After"].Valid());
}

// Deleting through a key that did not open leaves the open's own reason.
// (The plug-in's writes go through RequiredKey, which throws it.)
TEST_F(RegKeyTest, DeleteThroughAKeyThatIsNotOpenLeavesTheOpensReason) {
    RegKey key(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    ASSERT_EQ(nullptr, key.key);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(key["x"].Delete());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(RegKeyTest, LongTextValuesSurviveWhole) {
    std::string text(70 * 1024, 'r');
    RegKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    key["long"] = text.c_str();
    EXPECT_EQ(text, key["long"].Text().c_str());
}

// Texts around the size that one read can take are whole, with or without
// the terminator stored.
TEST_F(RegKeyTest, TextsAroundTheFirstReadSizeAreWhole) {
    RegKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    for (size_t n = 252; n <= 258; ++n) {
        std::string text(n, 'a' + n % 26);
        key["t"] = text.c_str();
        EXPECT_EQ(text, key["t"].Text().c_str()) << n;
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.key, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                                static_cast<DWORD>(n)));
        EXPECT_EQ(text, key["raw"].Text().c_str()) << n << " without terminator";
    }
}
