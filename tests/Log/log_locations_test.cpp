#include <LogLocations.h>
#include <RegistryNames.h>

#include <gtest/gtest.h>

#include <string>

#include "common/SavedKey.h"

namespace {

// The product key under HKEY_LOCAL_MACHINE with the values a test sets;
// what was there before comes back afterwards.
struct Locations : ::testing::Test {
    bool keyExisted = KeyExists(HKEY_LOCAL_MACHINE, PRODUCT_KEY);
    SavedKey saved{HKEY_LOCAL_MACHINE, PRODUCT_KEY};

    Locations() {
        Remove("Root Path");
        Remove("Log Root");
    }
    // The product's handle goes before the key is put back.
    ~Locations() override { CloseProductKey(); }
    static void Put(const char* name, const char* text, DWORD type = REG_SZ) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, name, type, text,
                                                 static_cast<DWORD>(strlen(text) + 1)));
    }
    static void Remove(const char* name) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, name); }
};

}  // namespace

TEST_F(Locations, RootAndLogRootFromTheProductKey) {
    Put("Root Path", "D:\\App");
    OpenProductKey();
    EXPECT_EQ(std::string("D:\\App\\"), RootPath().c_str());
    EXPECT_EQ(std::string("D:\\App\\Logs\\"), LogRootPath().c_str());

    // Values are read on every call; the key stays open.
    Put("Log Root", "Journal");
    EXPECT_EQ(std::string("D:\\App\\Journal\\"), LogRootPath().c_str());
    Put("Log Root", "E:\\Logs\\");
    EXPECT_EQ(std::string("E:\\Logs\\"), LogRootPath().c_str());

    SetEnvironmentVariableA("ARVIK_DATA", "F:\\Data");
    Put("Log Root", "%ARVIK_DATA%\\L", REG_EXPAND_SZ);
    Put("Root Path", "%ARVIK_DATA%\\Root");
    EXPECT_EQ(std::string("F:\\Data\\Root\\"), RootPath().c_str());
    EXPECT_EQ(std::string("F:\\Data\\L\\"), LogRootPath().c_str());  // absolute: no root in front
    SetEnvironmentVariableA("ARVIK_DATA", nullptr);
}

TEST_F(Locations, WithoutTheKeyValuesReadEmpty) {
    if (keyExisted) GTEST_SKIP() << "the product key is installed here";
    OpenProductKey();
    ASSERT_NE(nullptr, productKey);
    EXPECT_EQ(nullptr, productKey->key);
    EXPECT_EQ(std::string(""), RootPath().c_str());
    EXPECT_EQ(std::string("Logs\\"), LogRootPath().c_str());
    CloseProductKey();
    EXPECT_EQ(nullptr, productKey);
    EXPECT_EQ(std::string(""), RootPath().c_str());
}
