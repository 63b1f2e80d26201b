// RequiredKey and RegistryWatch, on a test key made anew for each test.
#include <gtest/gtest.h>

#include <string>

#include <Settings/RegistryWatch.h>
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
            RequiredKey none;
            if (write == 0) none.Write("x", "lost");
            if (write == 1) none.Write("x", static_cast<DWORD>(7));
            if (write == 2) none.Remove("x");
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
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), key.Type("Text"));
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), key.Type("Number"));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), key.Type("bin"));
        EXPECT_EQ(static_cast<DWORD>(REG_NONE), key.Type("missing"));
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

namespace {

void Store(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size)) << name;
}

}  // namespace

// Each value is read with its type in one read; the typed reads take only
// the types they name and leave the caller's value alone for any other.
TEST_F(RequiredKeyTest, TypedReadsTakeTheirTypesOnly) {
    RequiredKey key(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    const DWORD number = 4294967295u;
    const BYTE bytes[] = {'4', '2', 0, 0};
    const std::string longText(1000, 'L');
    Store(key.Get(), "sz", REG_SZ, "Журнал", 7);
    Store(key.Get(), "expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
    Store(key.Get(), "dword", REG_DWORD, &number, sizeof number);
    Store(key.Get(), "digits", REG_SZ, "42", 3);
    Store(key.Get(), "bin", REG_BINARY, bytes, sizeof bytes);
    Store(key.Get(), "long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));
    Store(key.Get(), "unended", REG_SZ, "abc", 3);  // stored without its terminator
    Store(key.Get(), "short", REG_DWORD, bytes, 2);
    Store(key.Get(), "wide", REG_DWORD, &number, 0);

    RequiredKey::Value value = key.Read("sz");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type);
    EXPECT_STREQ("Журнал", value.text.c_str());
    value = key.Read("expand");
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), value.type);
    EXPECT_STREQ("%TEMP%\\x", value.text.c_str());  // never expanded
    value = key.Read("dword");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type);
    EXPECT_EQ(number, value.number);
    value = key.Read("bin");
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value.type);
    EXPECT_EQ(nullptr, value.text.c_str());
    EXPECT_EQ(0u, value.number);
    EXPECT_EQ(longText, key.Read("long").text.c_str());
    EXPECT_STREQ("abc", key.Read("unended").text.c_str());
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), key.Read("missing").type);
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), key.Read("short").type);  // not a zero
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), key.Read("wide").type);

    string text("untouched");
    EXPECT_TRUE(key.TextIn("sz", text));
    EXPECT_STREQ("Журнал", text.c_str());
    for (const char* other : {"expand", "dword", "bin", "missing"}) {
        text = "untouched";
        EXPECT_FALSE(key.TextIn(other, text)) << other;
        EXPECT_STREQ("untouched", text.c_str()) << other;
    }
    EXPECT_TRUE(key.TextIn("expand", text, true));
    EXPECT_STREQ("%TEMP%\\x", text.c_str());
    text = "untouched";
    EXPECT_FALSE(key.TextIn("dword", text, true));
    EXPECT_STREQ("untouched", text.c_str());

    DWORD got = 7;
    EXPECT_TRUE(key.NumberIn("dword", got));
    EXPECT_EQ(number, got);
    for (const char* other : {"digits", "bin", "sz", "missing", "short", "wide"}) {
        got = 7;
        EXPECT_FALSE(key.NumberIn(other, got)) << other;
        EXPECT_EQ(7u, got) << other;
    }

    // As the support library reads: the one type as the other.
    EXPECT_STREQ("4294967295", key.Text("dword").c_str());
    EXPECT_EQ(42u, key.Number("digits"));
    EXPECT_STREQ("", key.Text("bin").c_str());
    EXPECT_EQ(0u, key.Number("bin"));
    EXPECT_STREQ("", key.Text("missing").c_str());
    EXPECT_EQ(0u, key.Number("missing"));
    EXPECT_TRUE(key.Has("bin"));
    EXPECT_FALSE(key.Has("missing"));
}

// A key that may be absent is empty when it is: no values, and a change
// through it throws instead of being lost. Moving hands the key on.
TEST_F(RequiredKeyTest, AnOptionalKeyThatIsMissingIsEmpty) {
    RequiredKey missing = RequiredKey::Optional(HKEY_CURRENT_USER, kTestKey, KEY_READ);
    EXPECT_FALSE(missing);
    EXPECT_EQ(nullptr, missing.Get());
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), missing.Type(""));
    EXPECT_FALSE(missing.Has(""));
    string text("untouched");
    EXPECT_FALSE(missing.TextIn("", text, true));
    EXPECT_STREQ("untouched", text.c_str());
    try {
        missing.Write("x", "lost");
        FAIL() << "a write through an empty key was reported as success";
    } catch (const WindowsError& e) {
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), e.Code());
    }

    RequiredKey(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS).Write("x", "kept");
    RequiredKey present = RequiredKey::Optional(HKEY_CURRENT_USER, kTestKey, KEY_READ);
    ASSERT_TRUE(present);
    RequiredKey moved = std::move(present);
    EXPECT_FALSE(present);
    EXPECT_STREQ("kept", moved.Text("x").c_str());
}

namespace {

// Bounded: a report the system owes comes at once; ten seconds is slack.
bool Reported(const RegistryWatch& watch) { return WaitForSingleObject(watch.Report(), 10000) == WAIT_OBJECT_0; }

RequiredKey Watchable() { return RequiredKey(HKEY_CURRENT_USER, kTestKey, true, KEY_NOTIFY); }

}  // namespace

// A watch reports the changes it names, and stays quiet on others: the
// system sets every report as the change is made, so a watch of another
// kind reporting the same change shows that this one would have by then.
TEST_F(RequiredKeyTest, AWatchReportsTheChangesItNamesOnly) {
    RequiredKey writer(HKEY_CURRENT_USER, kTestKey, true, KEY_ALL_ACCESS);
    RegistryWatch values, names;
    ASSERT_TRUE(values.Watch(Watchable(), REG_NOTIFY_CHANGE_LAST_SET));
    ASSERT_TRUE(names.Watch(Watchable(), REG_NOTIFY_CHANGE_NAME));
    EXPECT_FALSE(values.Reported());
    EXPECT_FALSE(names.Reported());

    RequiredKey(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\sub").c_str(), true, KEY_READ);
    ASSERT_TRUE(Reported(names));
    EXPECT_FALSE(values.Reported());

    writer.Write("x", "1");
    EXPECT_TRUE(Reported(values));
    EXPECT_TRUE(values.Reported());  // it stays until the watch is set again
    ASSERT_TRUE(values.Again());
    EXPECT_FALSE(values.Reported());
    ASSERT_TRUE(names.Again());
    writer.Write("x", "2");
    EXPECT_TRUE(Reported(values));
    EXPECT_FALSE(names.Reported());
    EXPECT_NE(nullptr, values.Key().Get());
}

// Below the key only with subtree; after Stop nothing is reported, and a
// watch without a key is refused.
TEST_F(RequiredKeyTest, AWatchOfTheSubtreeAndAStoppedOne) {
    const std::string sub = std::string(kTestKey) + "\\sub";
    RequiredKey writer(HKEY_CURRENT_USER, sub.c_str(), true, KEY_ALL_ACCESS);
    RegistryWatch below, here, stopped;
    ASSERT_TRUE(below.Watch(Watchable(), REG_NOTIFY_CHANGE_LAST_SET, true));
    ASSERT_TRUE(here.Watch(Watchable(), REG_NOTIFY_CHANGE_LAST_SET));
    ASSERT_TRUE(stopped.Watch(RequiredKey(HKEY_CURRENT_USER, sub.c_str(), false, KEY_NOTIFY),
                              REG_NOTIFY_CHANGE_LAST_SET));
    stopped.Stop();
    EXPECT_FALSE(stopped.Reported());
    EXPECT_EQ(nullptr, stopped.Key().Get());
    writer.Write("x", static_cast<DWORD>(1));
    ASSERT_TRUE(Reported(below));
    EXPECT_FALSE(here.Reported());
    EXPECT_FALSE(stopped.Reported());
    EXPECT_FALSE(stopped.Again());

    RegistryWatch none;
    EXPECT_FALSE(none.Watch(RequiredKey(), REG_NOTIFY_CHANGE_LAST_SET));
    EXPECT_FALSE(none.Reported());
}
