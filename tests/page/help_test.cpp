// Help file path and the run-time binding of the HTML Help control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <HelpFile.h>
#include <Instance.h>

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
