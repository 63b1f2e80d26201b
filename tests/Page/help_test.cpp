// Help file path and the run-time binding of the HTML Help control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <Page/HelpFile.h>
#include <Resources/Instance.h>

#include "common/Files.h"
#include "common/Scratch.h"

namespace {

std::vector<std::string> loads;
HMODULE WINAPI CountingLoad(LPCSTR name) {
    loads.push_back(name);
    return LoadLibraryA(name);
}
HMODULE WINAPI FailingLoad(LPCSTR name) {
    loads.push_back(name);
    return nullptr;
}
bool UnloadableRegistration(char* buffer) {
    lstrcpyA(buffer, "C:\\nowhere\\missing-hhctrl.ocx");
    return true;
}
bool NoRegistration(char*) { return false; }

}  // namespace

TEST(HelpFileTest, PathIsTheModulesFolderAndTheHelpName) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string expected(module);
    expected = expected.substr(0, expected.find_last_of('\\') + 1) + "aRvik.chm";
    EXPECT_EQ(expected, std::string(HelpFilePath()));
    SetPluginInstance(reinterpret_cast<HINSTANCE>(GetModuleHandleA("kernel32.dll")));
    GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), module, MAX_PATH);
    std::string k(module);
    EXPECT_EQ(k.substr(0, k.find_last_of('\\') + 1) + "aRvik.chm", std::string(HelpFilePath()));
    SetPluginInstance(nullptr);
}

TEST(HelpFileTest, RegistrationOfTheControlIsRead) {
    char buffer[MAX_PATH] = "sentinel";
    ASSERT_TRUE(FindHtmlHelpControl(buffer));
    std::string name(buffer);
    ASSERT_GE(name.size(), 10u);
    EXPECT_EQ(0, lstrcmpiA(name.substr(name.size() - 10).c_str(), "hhctrl.ocx")) << name;
}

TEST(HelpFileTest, UnloadableRegistrationFallsBackToThePlainName) {
    loads.clear();
    HtmlHelpBinding binding(UnloadableRegistration, CountingLoad);
    // An unknown command: the control answers without showing anything.
    binding.Call(nullptr, "", 0xFFFF, 0);
    ASSERT_EQ(2u, loads.size());
    EXPECT_EQ("C:\\nowhere\\missing-hhctrl.ocx", loads[0]);
    EXPECT_EQ("hhctrl.ocx", loads[1]);
    EXPECT_FALSE(binding.Failed());
    binding.Call(nullptr, "", 0xFFFF, 0);
    EXPECT_EQ(2u, loads.size());  // bound once for good
}

TEST(HelpFileTest, AFailureIsFinal) {
    loads.clear();
    HtmlHelpBinding binding(NoRegistration, FailingLoad);
    EXPECT_EQ(nullptr, binding.Call(nullptr, "x.chm", 17, 0));
    ASSERT_EQ(1u, loads.size());
    EXPECT_EQ("hhctrl.ocx", loads[0]);
    EXPECT_TRUE(binding.Failed());
    EXPECT_EQ(nullptr, binding.Call(nullptr, "x.chm", 17, 0));
    EXPECT_EQ(1u, loads.size());
}

// An expandable registration is expanded; a plain one is taken as it is.
TEST(HelpFileTest, AnExpandableRegistrationIsExpanded) {
    const char* path = "Software\\aRvik tests\\help server";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             nullptr));
    const char value[] = "%SystemRoot%\\system32\\hhctrl.ocx";
    char windows[MAX_PATH] = "", buffer[MAX_PATH] = "sentinel";
    GetWindowsDirectoryA(windows, MAX_PATH);
    RequiredKey reading = RequiredKey::Optional(HKEY_CURRENT_USER, path, KEY_READ);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value), sizeof value));
    EXPECT_TRUE(ReadServerFile(reading, buffer));
    EXPECT_EQ(std::string(windows) + "\\system32\\hhctrl.ocx", buffer);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value));
    lstrcpyA(buffer, "sentinel");
    EXPECT_TRUE(ReadServerFile(reading, buffer));
    EXPECT_STREQ(value, buffer);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\aRvik tests");
}

// A name without a folder is loaded from the system folder only, with the
// search flag and by the folder's full path: a module of that name in the
// current folder, which the plain search order takes, is not.
TEST(HelpFileTest, APlainNameLoadsFromTheSystemFolderOnly) {
    Scratch scratch("arvik_help");
    ASSERT_TRUE(CopyFileA((ExeFolder() + "Tallivanx.dll").c_str(), (scratch + "arvik_probe.ocx").c_str(), FALSE));
    char before[MAX_PATH] = "", system[MAX_PATH] = "", file[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, before);
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.folder.c_str()));
    HMODULE planted = LoadLibraryA("arvik_probe.ocx");
    EXPECT_NE(nullptr, planted);
    FreeLibrary(planted);
    for (bool searchFlag : {true, false}) {
        SetLastError(0);
        EXPECT_EQ(nullptr, LoadFromSystemFolder("arvik_probe.ocx", searchFlag)) << searchFlag;
        EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError()) << searchFlag;
        HMODULE control = LoadFromSystemFolder("hhctrl.ocx", searchFlag);
        ASSERT_NE(nullptr, control) << searchFlag;
        GetModuleFileNameA(control, file, MAX_PATH);
        EXPECT_EQ(0, lstrcmpiA((std::string(system) + "\\hhctrl.ocx").c_str(), file)) << file;
        FreeLibrary(control);
    }
    EXPECT_EQ(nullptr, LoadHelpControl("arvik_probe.ocx"));
    SetCurrentDirectoryA(before);
}
