#include "Page/PanelTest.h"

#include <memory>

#include "common/ComEnvironment.h"
#include "common/Files.h"
#include "common/SavedKey.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>

namespace {

::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

// Runs scripts, one per showing of a dialog over the sheet (the sheet is
// disabled while one runs); a dialog still open after 10 s is cancelled.
struct ScriptRun {
    std::vector<std::function<void(HWND)>> scripts;
    size_t next = 0;
    HWND sheet = nullptr;
    HWND last = nullptr;
};
ScriptRun* running = nullptr;

BOOL CALLBACK FindOpenDialog(HWND window, LPARAM found) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window) &&
        window != running->sheet && window != running->last) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (!running || running->next >= running->scripts.size()) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    running->last = dialog;
    running->scripts[running->next++](dialog);
}

void CALLBACK GuardTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    ADD_FAILURE() << "a dialog stayed open";
    if (running) running->next = running->scripts.size();
    HWND dialog = nullptr;
    if (running) running->last = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

// The keys the installation writes, put back as they were after the suite.
static std::vector<std::unique_ptr<SavedKey>>& SavedKeys() {
    static std::vector<std::unique_ptr<SavedKey>> keys;
    return keys;
}

// Installs the module as the host's installer does; it stays loaded.
void PanelTest::SetUpTestSuite() {
    SavedKeys().emplace_back(new SavedKey(HKEY_CLASSES_ROOT, "CLSID\\{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}"));
    SavedKeys().emplace_back(new SavedKey(HKEY_CLASSES_ROOT, "CLSID\\{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}"));
    SavedKeys().emplace_back(new SavedKey(HKEY_LOCAL_MACHINE, "Software\\Kelmir\\Tallivant"));
    SavedKeys().emplace_back(new SavedKey(HKEY_CURRENT_USER, USER_KEY));
    HMODULE module = LoadLibraryA((ExeFolder() + "aRvik.dll").c_str());
    ASSERT_NE(nullptr, module);
    typedef int(WINAPI * InstallEntry)(HWND, BOOL);
    auto install = reinterpret_cast<InstallEntry>(GetProcAddress(module, "TallivantPlugin_InstallInit"));
    ASSERT_NE(nullptr, install);
    ASSERT_EQ(1, install(nullptr, TRUE));
}

void PanelTest::TearDownTestSuite() { SavedKeys().clear(); }

void PanelTest::SetUp() {
    RegDeleteTreeA(HKEY_CURRENT_USER, PROPS_KEY);
    HKEY user = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, USER_KEY, 0, KEY_SET_VALUE, &user) == ERROR_SUCCESS) {
        RegDeleteValueA(user, "Control Disabled");
        RegCloseKey(user);
    }
    *panel.Out() = new ControlPanel;
}

void PanelTest::TearDown() {
    if (panel) panel->Close();
    panel.Release();
    RegDeleteTreeA(HKEY_CURRENT_USER, PROPS_KEY);
    EXPECT_TRUE(messages.Unused().empty()) << "answers left unused";
}

HWND PanelTest::Open() {
    EXPECT_EQ(1, panel->LoadPlugins());
    sheet = panel->Create(nullptr, "Панель управления");
    if (!sheet) return nullptr;
    page = panel->PageWindow(0);
    return page;
}

std::vector<std::pair<std::string, std::string>> PanelTest::Stored() {
    std::vector<std::pair<std::string, std::string>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PROPS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof name, size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        std::string shown;
        if (type == REG_SZ)
            shown = "SZ:" + std::string(reinterpret_cast<char*>(data), size ? size - 1 : 0);
        else if (type == REG_DWORD)
            shown = "DWORD:" + std::to_string(*reinterpret_cast<DWORD*>(data));
        else
            shown = "TYPE" + std::to_string(type) + ":" + std::to_string(size) + " bytes";
        values.emplace_back(name, shown);
    }
    RegCloseKey(key);
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return lstrcmpiA(a.first.c_str(), b.first.c_str()) < 0; });
    return values;
}

void PanelTest::Put(const char* name, const char* text) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, PROPS_KEY, name, REG_SZ, text,
                                             static_cast<DWORD>(strlen(text) + 1)));
}

bool PanelTest::KeyExists() { return ::KeyExists(HKEY_CURRENT_USER, PROPS_KEY); }

std::vector<std::pair<std::string, std::string>> PanelTest::Listed() const {
    std::vector<std::pair<std::string, std::string>> rows;
    HWND list = GetDlgItem(page, 1482);
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char name[256] = "", value[256] = "";
        LVITEMA item = {};
        item.pszText = name;
        item.cchTextMax = sizeof name;
        item.iSubItem = 0;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        item.pszText = value;
        item.cchTextMax = sizeof value;
        item.iSubItem = 1;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        rows.emplace_back(name, value);
    }
    return rows;
}

void PanelTest::Select(const std::string& name, int skipped) {
    HWND list = GetDlgItem(page, 1482);
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = name.c_str();
    int index = -1;
    for (int i = 0; i <= skipped; ++i)
        index = static_cast<int>(
            SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&find)));
    ASSERT_GE(index, 0) << name;
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
}

void PanelTest::Drive(const std::function<void()>& action, std::vector<std::function<void(HWND)>> scripts) {
    ScriptRun run;
    run.scripts = std::move(scripts);
    run.sheet = sheet;
    running = &run;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, ScriptTimer);
    UINT_PTR guard = SetTimer(nullptr, 0, 60000, GuardTimer);
    action();
    KillTimer(nullptr, timer);
    KillTimer(nullptr, guard);
    running = nullptr;
    EXPECT_EQ(run.scripts.size(), run.next) << "dialogs shown fewer times than scripted";
}

void PanelTest::Press(int id, std::vector<std::function<void(HWND)>> scripts) {
    Drive([this, id] { SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0); }, std::move(scripts));
}

void PanelTest::DoubleClick(std::vector<std::function<void(HWND)>> scripts, int item) {
    Drive(
        [this, item] {
            NMITEMACTIVATE click = {};
            click.hdr.hwndFrom = GetDlgItem(page, 1482);
            click.hdr.idFrom = 1482;
            click.hdr.code = NM_DBLCLK;
            click.iItem = item;
            SendMessageA(page, WM_NOTIFY, 1482, reinterpret_cast<LPARAM>(&click));
        },
        std::move(scripts));
}

std::function<void(HWND)> PanelTest::Enter(const char* name, const char* value) {
    std::string n = name ? name : "", v = value ? value : "";
    bool setName = name != nullptr;
    return [n, v, setName](HWND dialog) {
        if (setName) SetDlgItemTextA(dialog, 1485, n.c_str());
        SetDlgItemTextA(dialog, 1479, v.c_str());
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    };
}

std::function<void(HWND)> PanelTest::CancelDialog(std::string* seenName, std::string* seenValue) {
    return [seenName, seenValue](HWND dialog) {
        char text[256] = "";
        GetDlgItemTextA(dialog, 1485, text, sizeof text);
        if (seenName) *seenName = text;
        GetDlgItemTextA(dialog, 1479, text, sizeof text);
        if (seenValue) *seenValue = text;
        SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    };
}

// The sheet's Apply button.
bool PanelTest::ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet, 0x3021)) != FALSE; }

void PanelTest::ApplySheet() { SendMessageA(sheet, PSM_APPLY, 0, 0); }
