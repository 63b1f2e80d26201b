#include <string>

#include "ModuleTest.h"
#include "common/SavedKey.h"
#include "common/WriteDenied.h"

namespace {

struct RegValue {
    DWORD type = REG_NONE;
    std::string data;
    bool present = false;
};

RegValue Read(HKEY root, const char* key, const char* name) {
    RegValue v;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(root, key, name, RRF_RT_ANY, &v.type, data, &size) == ERROR_SUCCESS) {
        v.present = true;
        v.data.assign(data, size && v.type == REG_SZ ? size - 1 : size);
    }
    return v;
}

#define EXPECT_SZ(expected, root, key, name)                  \
    {                                                         \
        RegValue v = Read(root, key, name);                   \
        EXPECT_TRUE(v.present) << key << " " << name;         \
        EXPECT_EQ(DWORD(REG_SZ), v.type) << key << " " << name; \
        EXPECT_EQ(std::string(expected), v.data) << key << " " << name; \
    }

// The product key is read when the module loads: it is set up before.
// Every key the installation writes is put back as it was afterwards.
struct Install : ModuleTest {
    SavedKey pluginClass{HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY}, controlClass{HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY},
        product{HKEY_LOCAL_MACHINE, "Software\\Kelmir\\Tallivant"}, user{HKEY_CURRENT_USER, USER_KEY};

    void SetUp() override {
        Clean();
        HKEY product = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kelmir\\Tallivant", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &product, nullptr);
        RegSetValueExA(product, "Log Root", 0, REG_SZ, reinterpret_cast<const BYTE*>("D:\\Logs"), 8);
        RegCloseKey(product);
        ModuleTest::SetUp();
    }

    static void Clean() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY);
        RegDeleteTreeA(HKEY_CURRENT_USER, USER_KEY);
    }
    void ExpectInstalled() {
        const std::string path = ModulePath();
        EXPECT_SZ("Kelmir Tallivant aRvik plugin", HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY, "");
        EXPECT_SZ(path, HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY "\\InProcServer32", "");
        EXPECT_SZ("Both", HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY "\\InProcServer32", "ThreadingModel");
        EXPECT_SZ("{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}", HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY, "CLSID");
        EXPECT_SZ("Kelmir Tallivant aRvik plugin", HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY, "");
        EXPECT_SZ(path, HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY "\\InProcServer32", "");
        EXPECT_SZ("Both", HKEY_CLASSES_ROOT, CONTROL_CLASS_KEY "\\InProcServer32", "ThreadingModel");
        EXPECT_SZ("{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}", HKEY_LOCAL_MACHINE, HOST_CONTROL_KEY, "CLSID");
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, USER_PROPS_KEY));
    }
};

}  // namespace

TEST_F(Install, WritesTheTenStepsAndTheLogPathFromTheLogRoot) {
    ASSERT_EQ(1, install(nullptr, FALSE));
    ExpectInstalled();
    EXPECT_SZ("D:\\Logs\\Script\\DebugLog *.txt", HKEY_CURRENT_USER, USER_KEY, "Script LogPath");
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(Install, TwiceWritesTheSameAndKeepsTheUsersSettings) {
    HKEY props = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, USER_PROPS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &props, nullptr));
    DWORD number = 7;
    RegSetValueExA(props, "Counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(props);
    // An empty log path is the user's choice too.
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, USER_KEY, "Script LogPath", REG_SZ, "", 1));

    ASSERT_EQ(1, install(nullptr, FALSE));
    ASSERT_EQ(1, install(nullptr, TRUE));
    ExpectInstalled();
    EXPECT_SZ("", HKEY_CURRENT_USER, USER_KEY, "Script LogPath");
    RegValue counter = Read(HKEY_CURRENT_USER, USER_PROPS_KEY, "Counter");
    EXPECT_EQ(DWORD(REG_DWORD), counter.type);
    EXPECT_EQ(std::string("\x07\0\0\0", 4), counter.data);
    EXPECT_TRUE(ShownMessages().empty());
}

// A non-volatile key cannot be made below a volatile one: the server key of
// step 2 fails, so the steps before it stay done and the user is told.
TEST_F(Install, FailureShowsTheReasonAndGivesZero) {
    HKEY classKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &classKey, nullptr));
    RegCloseKey(classKey);

    EXPECT_EQ(0, install(nullptr, FALSE));
    EXPECT_SZ("Kelmir Tallivant aRvik plugin", HKEY_CLASSES_ROOT, PLUGIN_CLASS_KEY, "");
    EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, HOST_PLUGIN_KEY, "CLSID").present);
    ASSERT_EQ(1u, ShownMessages().size());
    const ShownMessage& box = ShownMessages()[0];
    EXPECT_EQ(MessageKind::Error, box.kind);
    const std::string prefix = "Ошибка установки модуля \"" + ModulePath() + "\": ";
    EXPECT_EQ(prefix, box.text.substr(0, prefix.size()));
    EXPECT_GT(box.text.size(), prefix.size());
    EXPECT_EQ("module_test.exe", box.caption);
    EXPECT_EQ(nullptr, box.owner);
}

// Each key the installation may not open gives the system's reason and the
// key's name, not the null handle that the failed open left.
TEST_F(Install, AKeyThatMayNotBeOpenedIsNamedWithTheReason) {
    const struct {
        HKEY root;
        const char* rootName;
        const char* path;
        DWORD denied;
    } keys[] = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT\\", PLUGIN_CLASS_KEY, KEY_SET_VALUE},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT\\", PLUGIN_CLASS_KEY "\\InProcServer32", KEY_SET_VALUE},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE\\", HOST_PLUGIN_KEY, KEY_SET_VALUE},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT\\", CONTROL_CLASS_KEY, KEY_SET_VALUE},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT\\", CONTROL_CLASS_KEY "\\InProcServer32", KEY_SET_VALUE},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE\\", HOST_CONTROL_KEY, KEY_SET_VALUE},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER\\", USER_KEY, KEY_SET_VALUE},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER\\", USER_PROPS_KEY, KEY_QUERY_VALUE},  // opened for reading
    };
    for (const auto& key : keys) {
        Clean();
        messages.Clear();
        {
            WriteDenied denied(key.path, key.root, key.denied);
            ASSERT_TRUE(denied.ok) << key.path;
            EXPECT_EQ(0, install(nullptr, FALSE)) << key.path;
        }
        ASSERT_EQ(1u, ShownMessages().size()) << key.path;
        EXPECT_EQ("Ошибка установки модуля \"" + ModulePath() + "\": Не удалось открыть раздел реестра (ошибка 5): " +
                      key.rootName + key.path,
                  ShownMessages()[0].text);
    }
}
