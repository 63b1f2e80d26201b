// The additional-parameters page as an operator meets it: real windows in
// the host's property sheet, the real module, the real registry.
#include "Page/PanelTest.h"

#include <commctrl.h>

#include "common/SavedKey.h"
#include "common/WriteDenied.h"

using Rows = std::vector<std::pair<std::string, std::string>>;

TEST_F(PanelTest, MissingKeyGivesEmptyPageAndLoadingCreatesNothing) {
    ASSERT_NE(nullptr, Open());
    EXPECT_EQ(1u, panel->PageCount());
    char title[64] = "";
    GetWindowTextA(page, title, sizeof title);
    EXPECT_STREQ("Дополнительные параметры", title);
    EXPECT_EQ(Rows(), Listed());
    EXPECT_FALSE(ApplyEnabled());
    ApplySheet();
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PanelTest, CreateChangeDeleteThenApplyStoresWhatThePageShows) {
    Put("beta", "2");
    Put("Alpha", "1");
    ASSERT_NE(nullptr, Open());
    EXPECT_EQ((Rows{{"Alpha", "1"}, {"beta", "2"}}), Listed());

    Press(501, {Enter("Gamma", "  3  ")});
    EXPECT_TRUE(ApplyEnabled());
    Select("beta");
    Press(509, {Enter(nullptr, "20")});
    Select("Alpha");
    Press(522);
    EXPECT_EQ((Rows{{"beta", "20"}, {"Gamma", "3"}}), Listed());
    // Nothing reaches the registry before the panel is applied.
    EXPECT_EQ((Rows{{"Alpha", "SZ:1"}, {"beta", "SZ:2"}}), Stored());

    ApplySheet();
    EXPECT_EQ((Rows{{"beta", "SZ:20"}, {"Gamma", "SZ:3"}}), Stored());
    EXPECT_EQ((Rows{{"beta", "20"}, {"Gamma", "3"}}), Listed());

    // Deleting the last ones leaves the key, empty.
    Select("beta");
    Press(522);
    Select("Gamma");
    Press(522);
    ApplySheet();
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(Rows(), Stored());
    EXPECT_EQ(Rows(), Listed());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PanelTest, ChangeAndDeleteWithoutSelectionDoNothing) {
    Put("one", "1");
    ASSERT_NE(nullptr, Open());
    Press(509);
    Press(522);
    // A double click on an empty part of the list arrives as "&Изменить".
    DoubleClick();
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ((Rows{{"one", "1"}}), Listed());
}

TEST_F(PanelTest, DoubleClickEditsTheSelectedParameter) {
    Put("one", "1");
    ASSERT_NE(nullptr, Open());
    Select("one");
    std::string title;
    DoubleClick({[&title](HWND dialog) {
        char text[64] = "";
        GetWindowTextA(dialog, text, sizeof text);
        title = text;
        Enter(nullptr, "11")(dialog);
    }}, 0);
    EXPECT_EQ("Параметр \"one\"", title);
    EXPECT_EQ((Rows{{"one", "11"}}), Listed());
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(PanelTest, NameInOtherCaseAsksBeforeOverwriting) {
    Put("Name", "old");
    ASSERT_NE(nullptr, Open());

    // Cancel: nothing changes.
    Answer(IDCANCEL);
    Press(501, {Enter("NAME", "new")});
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("Параметр \"NAME\" уже существует. Перезаписать?", Boxes()[0].text);
    EXPECT_EQ(0x123u, Boxes()[0].style);
    EXPECT_EQ((Rows{{"Name", "old"}}), Listed());
    EXPECT_FALSE(ApplyEnabled());

    // No: the dialog comes back with what was typed; cancelling it changes nothing.
    Answer(IDNO);
    std::string name, value;
    Press(501, {Enter("NAME", "new"), CancelDialog(&name, &value)});
    EXPECT_EQ("NAME", name);
    EXPECT_EQ("new", value);
    EXPECT_EQ((Rows{{"Name", "old"}}), Listed());

    // Yes: the entry takes the name as typed.
    Answer(IDYES);
    Press(501, {Enter("NAME", "new")});
    EXPECT_EQ((Rows{{"NAME", "new"}}), Listed());
    ApplySheet();
    EXPECT_EQ((Rows{{"NAME", "SZ:new"}}), Stored());
}

TEST_F(PanelTest, BlankNameIsRefusedAndTheDialogReopens) {
    ASSERT_NE(nullptr, Open());
    std::string name, value;
    Press(501, {Enter("   ", "v"), CancelDialog(&name, &value)});
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("Имя параметра не может быть пустым или состоять только из пробелов.", Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), Boxes()[0].style);
    EXPECT_EQ("", name);
    EXPECT_EQ("v", value);
    EXPECT_EQ(Rows(), Listed());
    ApplySheet();
    EXPECT_FALSE(KeyExists());
}

TEST_F(PanelTest, NumbersShowAsTextAndOtherTypesAreLeftAlone) {
    DWORD big = 4294967295u;
    const BYTE raw[3] = {1, 2, 3};
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PROPS_KEY, "Count", REG_DWORD, &big, sizeof big));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PROPS_KEY, "Raw", REG_BINARY, raw, sizeof raw));
    Put("", "unnamed");
    ASSERT_NE(nullptr, Open());
    EXPECT_EQ((Rows{{"Count", "4294967295"}}), Listed());

    Press(501, {Enter("Other", "x")});
    ApplySheet();
    EXPECT_EQ((Rows{{"", "SZ:unnamed"}, {"Count", "SZ:4294967295"}, {"Other", "SZ:x"}, {"Raw", "TYPE3:3 bytes"}}),
              Stored());
}

TEST_F(PanelTest, ValueRemovedElsewhereIsWrittenBackOnlyWhenChangedOnThePage) {
    Put("kept", "1");
    Put("gone", "2");
    Put("edited", "3");
    ASSERT_NE(nullptr, Open());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, PROPS_KEY, "gone");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, PROPS_KEY, "edited");
    Select("edited");
    Press(509, {Enter(nullptr, "33")});
    ApplySheet();
    EXPECT_EQ((Rows{{"edited", "SZ:33"}, {"kept", "SZ:1"}}), Stored());
    EXPECT_EQ((Rows{{"edited", "33"}, {"kept", "1"}}), Listed());
}

TEST_F(PanelTest, ControlDisabledGivesNoPageAndCreatesNoKey) {
    DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, USER_KEY, "Control Disabled", REG_DWORD, &one, sizeof one));
    EXPECT_EQ(1, panel->LoadPlugins());
    EXPECT_EQ(0u, panel->PageCount());
    EXPECT_FALSE(KeyExists());

    // Switched back on, each initialisation adds its own page.
    DWORD zero = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, USER_KEY, "Control Disabled", REG_DWORD, &zero, sizeof zero));
    EXPECT_EQ(1, panel->LoadPlugins());
    EXPECT_EQ(1, panel->LoadPlugins());
    EXPECT_EQ(2u, panel->PageCount());
    EXPECT_FALSE(KeyExists());
}

// An Apply that cannot write fails (the sheet stays open) and keeps the
// edits, so the next Apply still carries them out. Only deletions: they
// alone would otherwise pass for done.
// The list shows what the page holds, also when the host refuses the change.
TEST_F(PanelTest, DeletionThatTheHostRefusesLeavesNoRowBehind) {
    Put("old", "1");
    Put("other", "2");
    ASSERT_NE(nullptr, Open());
    Select("old");
    panel->pageChangedRefusal = E_FAIL;
    Press(522);
    panel->pageChangedRefusal = S_OK;
    EXPECT_EQ((Rows{{"other", "2"}}), Listed());
}

TEST_F(PanelTest, ApplyThatCannotWriteKeepsTheEdits) {
    Put("old", "1");
    ASSERT_NE(nullptr, Open());
    Select("old");
    Press(522);
    {
        WriteDenied denied(PROPS_KEY);
        ASSERT_TRUE(denied.ok);
        ApplySheet();
        EXPECT_EQ((Rows{{"old", "SZ:1"}}), Stored());
        EXPECT_EQ(Rows(), Listed());
    }
    ApplySheet();
    EXPECT_EQ(Rows(), Stored());
    EXPECT_EQ(Rows(), Listed());
}

// The policies' properties are listed after the user's of the same name,
// marked and locked: "Изменить", "Удалить" and a double click explain
// instead of editing, and Apply never writes them. A user's property that
// a policy overrides stays the user's to change.
TEST_F(PanelTest, PolicyPropertiesAreListedLockedAndNeverWritten) {
    SavedKey userPolicy(HKEY_CURRENT_USER, POLICY_KEY, KEY_WOW64_64KEY),
        machinePolicy(HKEY_LOCAL_MACHINE, POLICY_KEY, KEY_WOW64_64KEY);
    auto policy = [](HKEY root, const char* name, const char* text) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, POLICY_PROPS_KEY, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                                                 nullptr, &key, nullptr));
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(strlen(text) + 1));
        RegCloseKey(key);
    };
    Put("Server", "mine");
    Put("Own", "1");
    policy(HKEY_CURRENT_USER, "server", "user's");
    policy(HKEY_CURRENT_USER, "Desk", "user's");
    policy(HKEY_LOCAL_MACHINE, "SERVER", "machine's");
    ASSERT_NE(nullptr, Open());
    const Rows shown{{"Desk", "user's (политика)"},
                     {"Own", "1"},
                     {"Server", "mine (заменено политикой)"},
                     {"SERVER", "machine's (политика)"}};
    EXPECT_EQ(shown, Listed());

    Select("Server", 1);
    Press(509);
    Press(522);
    DoubleClick({}, 3);
    ASSERT_EQ(3u, Boxes().size());
    for (const ShownMessage& box : Boxes()) {
        EXPECT_EQ("Параметр \"SERVER\" задан политикой администратора: изменить или удалить его здесь нельзя.",
                  box.text);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), box.style);
    }
    EXPECT_EQ(shown, Listed());
    EXPECT_FALSE(ApplyEnabled());

    Select("Server");
    Press(509, {Enter(nullptr, "changed")});
    Select("Own");
    Press(522);
    ApplySheet();
    EXPECT_EQ((Rows{{"Server", "SZ:changed"}}), Stored());
    EXPECT_EQ((Rows{{"Desk", "user's (политика)"},
                    {"Server", "changed (заменено политикой)"},
                    {"SERVER", "machine's (политика)"}}),
              Listed());
}
