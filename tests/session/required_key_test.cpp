// RequiredKey and the value functions, on a test key made anew for each test.
#include <gtest/gtest.h>

#include <string>

#include <Settings/RequiredKey.h>
#include <exceptions.h>

namespace {

const char kTestsKey[] = "Software\\Kelmir\\ArvikTests";
const char kTestKey[] = "Software\\Kelmir\\ArvikTests\\RequiredKey";

class RequiredKeyTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestsKey);  // refuses while other tests' keys are below it
    }
};

}  // namespace

// The open's own reason and the key's name, never a null key whose writes
// would be lost.
TEST_F(RequiredKeyTest, AKeyThatDoesNotOpenThrowsTheOpensReason) {
    const std::string reason = std::string("Не удалось открыть раздел реестра (ошибка 2): HKEY_CURRENT_USER\\") + kTestKey;
    try {
        RequiredKey key(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
        FAIL() << "a key that did not open was taken as open";
    } catch (const ResourceException& e) {
        EXPECT_EQ(reason, e.Reason());
        EXPECT_EQ(std::string("HKEY_CURRENT_USER\\") + kTestKey, e.Name().c_str());
    }
    // A null key had no open of its own.
    for (int write = 0; write < 3; ++write) {
        try {
            if (write == 0) WriteValue(nullptr, "x", "lost");
            if (write == 1) WriteValue(nullptr, "x", static_cast<DWORD>(7));
            if (write == 2) RemoveValue(nullptr, "x");
            FAIL() << "a lost write was reported as success: " << write;
        } catch (const WindowsError& e) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), e.Code());
        }
    }
    RequiredKey made(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    EXPECT_NE(nullptr, made.Get());
}

// Values are stored with their types; a missing one counts as removed; a
// change the key's access refuses throws the system's error.
TEST_F(RequiredKeyTest, WritesRemovesAndRefusals) {
    {
        RequiredKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
        key.Write("Text", "Журнал");
        key.Write("Number", static_cast<DWORD>(4294967295u));
        const BYTE bytes[] = {1, 2, 3, 4};
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "bin", 0, REG_BINARY, bytes, sizeof bytes));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), ValueType(key.Get(), "Text"));
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ValueType(key.Get(), "Number"));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), ValueType(key.Get(), "bin"));
        EXPECT_EQ(static_cast<DWORD>(REG_NONE), ValueType(key.Get(), "missing"));
        EXPECT_STREQ("Журнал", key.Text("Text").c_str());
        EXPECT_EQ(4294967295u, key.Number("Number"));
        key.Remove("bin");
        EXPECT_FALSE(key.Has("bin"));
        EXPECT_NO_THROW(key.Remove("bin"));
    }
    RequiredKey reader(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    for (int change = 0; change < 2; ++change) {
        try {
            if (change == 0) reader.Write("Text", "lost");
            if (change == 1) reader.Remove("Text");
            FAIL() << "a refused change was reported as success: " << change;
        } catch (const WindowsError& e) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), e.Code());
            EXPECT_STREQ("Plugin/RequiredKey", e.File().c_str());
        }
    }
    EXPECT_STREQ("Журнал", reader.Text("Text").c_str());
}
